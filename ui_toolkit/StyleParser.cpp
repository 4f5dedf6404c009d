#include "ui_toolkit/StyleParser.h"

#include "core/util/StringUtils.h"
#include "ui_toolkit/Style.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace winui {

namespace {

int32_t numberOf(const XmlAttributes& attributes, const wchar_t* name) {
    return parseNumberOr(attributes.get(name), 0);
}

// Style files are untrusted: sums of their numbers wrap like the numbers themselves instead
// of overflowing.
int32_t wrappingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t wrappingSubtract(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// 0xAARRGGBB as written in the file to 0xAABBGGRR.
COLORREF swapRedAndBlue(uint32_t value) {
    return (value & 0xFF00FF00u) | ((value & 0xFFu) << 16) | ((value >> 16) & 0xFFu);
}

} // namespace

StyleParser::StyleParser(Style& style, const PackageMap& package)
    : style_(style), package_(package) {}

void StyleParser::startElement(const std::wstring& name, const XmlAttributes& attributes,
                               bool isEmpty) {
    if (name == L"glyph")
        readGlyph(attributes);
    else if (name == L"color")
        readColor(attributes);
    else if (name == L"dimension")
        readDimension(attributes);
    else if (name == L"offset")
        readOffset(attributes);
}

void StyleParser::endElement(const std::wstring& name, bool isEmpty) {
    if (name != L"style") return;
    reachedStyleEnd_ = true;
    // The colours used are the style's own, after every "color" element of the file.
    style_.fillMissingTextColors();
}

Image* StyleParser::loadImage(const std::wstring& entryName) {
    auto found = style_.images_.find(entryName);
    if (found != style_.images_.end())
        return found->second->isEmpty() ? nullptr : found->second.get();
    const PackageEntry entry = findPackageEntry(entryName, package_);
    if (!entry.data) return nullptr;
    std::unique_ptr<Image> image(new Image());
    const std::vector<uint8_t> bytes = unscrambledCopy(entry);
    if (!bytes.empty()) image->decodePng(bytes.data(), bytes.size());
    // A picture that cannot be decoded is kept (so that it is not decoded again) but counts
    // as missing: an element drawn from it would show nothing where the native control
    // would have been drawn.
    Image* result = image->isEmpty() ? nullptr : image.get();
    style_.images_.emplace(entryName, std::move(image));
    return result;
}

void StyleParser::readGlyph(const XmlAttributes& attributes) {
    const int32_t index = styleElementIndex(attributes.get(L"name"));
    if (index < 0) return;
    StyleElement& element = style_.elements_[index];
    element.image = loadImage(attributes.get(L"file"));
    if (element.image) {
        const int32_t x = numberOf(attributes, L"x");
        const int32_t y = numberOf(attributes, L"y");
        int32_t right = wrappingAdd(x, numberOf(attributes, L"width"));
        int32_t bottom = wrappingAdd(y, numberOf(attributes, L"height"));
        if (right == x) right = element.image->width();
        if (bottom == y) bottom = element.image->height();
        element.source = Rect(x, y, right, bottom);
        const int32_t dx = numberOf(attributes, L"dx");
        const int32_t dy = numberOf(attributes, L"dy");
        element.inner = Rect(wrappingAdd(x, dx), wrappingAdd(y, dy), wrappingSubtract(right, dx),
                             wrappingSubtract(bottom, dy));
    }
    element.tx = numberOf(attributes, L"tx");
    element.ty = numberOf(attributes, L"ty");
    // Stored as written: the file gives a text colour as BBGGRR.
    uint32_t color = 0;
    element.textColor =
        parseHex(attributes.get(L"textColor"), color) ? color : StyleElement::kNoColor;
}

void StyleParser::readColor(const XmlAttributes& attributes) {
    const int32_t index = styleColorIndex(attributes.get(L"name"));
    if (index < 0) return;
    uint32_t value = 0;
    style_.colors_[index] = parseHex(attributes.get(L"value"), value) ? swapRedAndBlue(value) : 0;
}

void StyleParser::readDimension(const XmlAttributes& attributes) {
    const int32_t index = styleDimensionIndex(attributes.get(L"name"));
    if (index < 0) return;
    int32_t value = 0;
    if (!parseNumber(attributes.get(L"value"), value)) value = 0;
    style_.dimensions_[index] = value;
}

void StyleParser::readOffset(const XmlAttributes& attributes) {
    const int32_t index = styleOffsetIndex(attributes.get(L"name"));
    if (index < 0) return;
    style_.offsets_[index] =
        Point(numberOf(attributes, L"x"), numberOf(attributes, L"y"));
}

} // namespace winui
