#include "ui_toolkit/Style.h"

#include "core/xml/XmlMemoryStream.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/StyleParser.h"

#include <new>
#include <vector>

namespace winui {

namespace {

// The text colour that each kind of element falls back to; every other element takes
// "WindowText".
struct TextColorFallback {
    StyleElementIndex element;
    StyleColorIndex color;
};

const TextColorFallback kTextColorFallbacks[] = {
    {kElementButton, kColorButtonText},
    {kElementButtonHighlighted, kColorButtonText},
    {kElementButtonPressed, kColorButtonText},
    {kElementButtonDefault, kColorButtonText},
    {kElementButtonFocused, kColorButtonText},
    {kElementButtonDisabled, kColorGrayText},
    {kElementCheckBoxDisabled, kColorGrayText},
    {kElementCheckBoxCheckedDisabled, kColorGrayText},
    {kElementComboBoxDisabled, kColorGrayText},
    {kElementEditBoxDisabled, kColorGrayText},
    {kElementWindowCaption, kColorCaptionText},
    {kElementWindowCaptionInactive, kColorInactiveCaptionText},
};

const StyleElement& emptyElement() {
    static const StyleElement empty;
    return empty;
}

} // namespace

Style::Style(const std::wstring& file) : Style(file, stylePackage()) {}

Style::Style(const std::wstring& file, const PackageMap& package)
    : colors_(defaultStyleColors()) {
    // A style whose file is missing still serves: it holds the system colours, brushes of them
    // and the text colours that go with them, and gives no element.
    if (!findPackageEntry(file, package).data) {
        fillMissingTextColors();
        createBrushes();
        return;
    }
    load(file, package);
}

Style::~Style() = default;

bool Style::load(const std::wstring& file) { return load(file, stylePackage()); }

bool Style::load(const std::wstring& file, const PackageMap& package) {
    const PackageEntry entry = findPackageEntry(file, package);
    if (!entry.data) return false;
    bool ok = false;
    bool reachedEnd = false;
    try {
        const std::vector<uint8_t> bytes = unscrambledCopy(entry);
        colors_ = defaultStyleColors();
        StyleParser parser(*this, package);
        if (bytes.size() <= static_cast<size_t>(INT32_MAX)) {
            XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
            ok = parser.parse(stream);
        }
        reachedEnd = parser.reachedStyleEnd();
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    // A file cut short before its closing "style" would otherwise leave the unset marker
    // standing as a text colour, which controls would paint with.
    if (!reachedEnd) fillMissingTextColors();
    // Also after a parse error, so that the brushes always show the colours the style holds.
    createBrushes();
    return ok;
}

const StyleElement& Style::element(int32_t index) const {
    if (index < 0 || index >= kStyleElementCount) return emptyElement();
    return elements_[index];
}

COLORREF Style::color(int32_t index) const {
    if (index < 0 || index >= kStyleColorCount) return 0;
    return colors_[index];
}

int32_t Style::dimension(int32_t index) const {
    if (index < 0 || index >= kStyleDimensionCount) return 0;
    return dimensions_[index];
}

Point Style::offset(int32_t index) const {
    if (index < 0 || index >= kStyleOffsetCount) return Point();
    return offsets_[index];
}

void Style::fillMissingTextColors() {
    for (const TextColorFallback& fallback : kTextColorFallbacks) {
        StyleElement& element = elements_[fallback.element];
        if (element.textColor == StyleElement::kNoColor) element.textColor = colors_[fallback.color];
    }
    for (StyleElement& element : elements_) {
        if (element.textColor == StyleElement::kNoColor) element.textColor = colors_[kColorWindowText];
    }
}

void Style::createBrushes() {
    formBodyBrush_ = Brush(colors_[kColorFormBody]);
    windowBrush_ = Brush(colors_[kColorWindow]);
}

} // namespace winui
