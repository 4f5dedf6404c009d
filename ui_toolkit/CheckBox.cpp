#include "ui_toolkit/CheckBox.h"

#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/PaintSupport.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/Toolkit.h"

namespace winui {

namespace {

constexpr uint32_t kBoxStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_AUTOCHECKBOX;

bool skinned(const Style* style) {
    return style && style->hasElement(kElementCheckBox);
}

// An owned region for one paint; empty when the platform refuses it.
class Region {
public:
    explicit Region(const Rect& r) : handle_(CreateRectRgn(r.left, r.top, r.right, r.bottom)) {}
    ~Region() {
        if (handle_)
            DeleteObject(handle_);
    }
    Region(const Region&) = delete;
    Region& operator=(const Region&) = delete;

    void subtract(const Rect& r) {
        const HRGN cut = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        if (handle_ && cut)
            CombineRgn(handle_, handle_, cut, RGN_DIFF);
        if (cut)
            DeleteObject(cut);
    }
    HRGN handle() const { return handle_; }

private:
    HRGN handle_;
};

} // namespace

CheckBox::CheckBox(Control* parentControl) : Control(parentControl) {
    createWindow(parent ? parent->hwnd : nullptr, L"BUTTON", kBoxStyle, 0, false, Rect());
}

CheckBox::~CheckBox() {
    delete cover;
}

bool CheckBox::isChecked() const {
    return hwnd && SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::setText(const std::wstring& text) {
    Control::setText(text);
    if (cover)
        cover->setText(text);
}

void CheckBox::setNarrowText(const std::string& text) {
    Control::setNarrowText(text);
    if (cover)
        cover->setNarrowText(text);
}

void CheckBox::syncCover() {
    if (!cover || !hwnd)
        return;
    const auto windowStyle = static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_STYLE));
    cover->place(bounds(), (windowStyle & WS_VISIBLE) != 0);
    cover->setFocused(GetFocus() == hwnd);
    cover->setEnabled((windowStyle & WS_DISABLED) == 0);
}

void CheckBox::onMessage(Message& message) {
    defaultProcessing(message);
    switch (message.message) {
    case WM_ENABLE:
    case WM_SHOWWINDOW:
    case WM_WINDOWPOSCHANGED:
        syncCover();
        break;
    case BM_SETCHECK:
        fireHandlers(changed);
        // A handler may have dropped the style, and the cover with it.
        if (cover)
            cover->setChecked(isChecked());
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        if (cover)
            cover->setPressed(message.message == WM_LBUTTONDOWN);
        break;
    default:
        break;
    }
}

// Focus changes never reach onMessage: the dispatcher takes them itself.
void CheckBox::onFocusGained() {
    if (cover)
        cover->setFocused(true);
}

void CheckBox::onFocusLost() {
    if (cover)
        cover->setFocused(false);
}

void CheckBox::onFontChanged() {
    if (cover)
        cover->takeFont(font);
}

void CheckBox::onStyleChanged() {
    if (!skinned(style)) {
        delete cover;
        return;
    }
    if (cover || !hwnd)
        return;
    cover = new CheckBoxCover(this);
    cover->takeFont(font);
    syncCover();
    cover->setText(text());
    cover->setChecked(isChecked());
}

CheckBoxCover::CheckBoxCover(CheckBox* coveredBox) : Cover(coveredBox), box(coveredBox) {}

CheckBoxCover::~CheckBoxCover() {
    if (box && box->cover == this)
        box->cover = nullptr;
}

void CheckBoxCover::setChecked(bool value) { update(checked, value); }
void CheckBoxCover::setPressed(bool value) { update(pressed, value); }

int32_t CheckBoxCover::currentElement() const {
    if (!enabled)
        return checked ? kElementCheckBoxCheckedDisabled : kElementCheckBoxDisabled;
    if (checked)
        return pressed ? kElementCheckBoxCheckedPressed : kElementCheckBoxChecked;
    return pressed ? kElementCheckBoxPressed : kElementCheckBox;
}

void CheckBoxCover::paint(Canvas& canvas, const Rect& updateRect) {
    const HDC dc = canvas.dc;
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, styleColor(style, kColorFormBody));
    SetTextColor(dc, styleColor(style, enabled ? kColorWindowText : kColorGrayText));

    const std::wstring caption = text();
    const Rect extent = canvas.measureText(caption);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    const int32_t ascent = metrics.tmAscent;
    const int32_t descent = metrics.tmDescent;

    static const StyleElement none;
    const StyleElement& element = style ? style->element(currentElement()) : none;
    const int32_t glyphWidth = element.source.width();
    const int32_t glyphHeight = element.source.height();
    // The glyph is centred on the text line.
    const Rect glyph(0, (descent + ascent - glyphHeight) / 2, glyphWidth,
                     (glyphHeight + descent + ascent) / 2);
    const int32_t baseline = glyphHeight < ascent ? ascent : glyphHeight - descent / 2;
    const int32_t textLeft = (3 * glyphWidth) / 2;
    const int32_t textTop = baseline - ascent;
    const Rect textRect(textLeft, textTop, textLeft + extent.width(), textTop + extent.height());

    canvas.drawElement(element, glyph, PartCenter);
    canvas.drawText(caption, textRect, 0);
    if (focused && parent && focusCuesShown(parent->hwnd)) {
        const RECT focus = {textRect.left, textRect.top, textRect.right, textRect.bottom};
        DrawFocusRect(dc, &focus);
    }

    Region rest(updateRect);
    rest.subtract(glyph);
    rest.subtract(textRect);
    if (rest.handle()) {
        const Brush body(styleColor(style, kColorFormBody));
        FillRgn(dc, rest.handle(), body.handle());
    }
}

} // namespace winui
