#include "ui_toolkit/ComboBox.h"

#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/PaintSupport.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/Toolkit.h"

#include <algorithm>

namespace winui {

namespace {

constexpr uint32_t kBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr int32_t kTextIndent = 4;

bool skinned(const Style* style) {
    return style && style->hasElement(kElementComboBox);
}

} // namespace

ComboBox::ComboBox(Control* parentControl) : Control(parentControl) {
    createWindow(parent ? parent->hwnd : nullptr, L"COMBOBOX", kBoxStyle, 0, false, Rect());
}

ComboBox::~ComboBox() {
    delete cover;
}

void ComboBox::addItem(const std::wstring& text) {
    if (!hwnd)
        return;
    const LRESULT index = SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0)
        SendMessageW(hwnd, CB_SETITEMDATA, static_cast<WPARAM>(index), 0);
}

std::wstring ComboBox::itemText(int32_t index) const {
    if (!hwnd)
        return std::wstring();
    const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return std::wstring();
    std::wstring result(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&result[0]));
    result.resize(copied < 0 ? 0 : std::min(static_cast<size_t>(copied), static_cast<size_t>(length)));
    return result;
}

std::wstring ComboBox::selectedText() const {
    if (!hwnd)
        return std::wstring();
    const auto index = static_cast<int32_t>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
    return index < 0 ? std::wstring() : itemText(index);
}

void ComboBox::setCoverHeight(int32_t height) {
    if (height == coverHeight)
        return;
    coverHeight = height;
    if (cover)
        cover->setFieldHeight(height);
    syncCover();
}

void ComboBox::syncCover() {
    if (!cover || !hwnd)
        return;
    Rect place = bounds();
    if (place.height() < coverHeight)
        place.bottom = place.top + coverHeight;
    const auto windowStyle = static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_STYLE));
    cover->place(place, (windowStyle & WS_VISIBLE) != 0);
    cover->setFieldHeight(coverHeight);
    cover->setFocused(GetFocus() == hwnd);
    cover->setEnabled((windowStyle & WS_DISABLED) == 0);
}

void ComboBox::selectionMayHaveChanged() {
    const auto current = static_cast<int32_t>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
    if (current == lastSelection)
        return;
    lastSelection = current;
    if (cover)
        cover->setText(text());
    fireHandlers(selectionChanged);
}

void ComboBox::onMessage(Message& message) {
    defaultProcessing(message);
    switch (message.message) {
    case WM_ENABLE:
    case WM_SHOWWINDOW:
    case WM_WINDOWPOSCHANGED:
        syncCover();
        break;
    case CB_RESETCONTENT:
        lastSelection = -1;
        if (cover)
            cover->setText(std::wstring());
        fireHandlers(selectionChanged);
        break;
    case CB_SETCURSEL:
        selectionMayHaveChanged();
        break;
    default:
        break;
    }
}

void ComboBox::onCommand(uint16_t code) {
    switch (code) {
    case CBN_SELCHANGE:
        selectionMayHaveChanged();
        break;
    case CBN_DROPDOWN:
    case CBN_CLOSEUP: {
        const bool opening = code == CBN_DROPDOWN;
        if (cover && cover->dropped != opening) {
            cover->dropped = opening;
            cover->paintNow();
        }
        break;
    }
    default:
        break;
    }
}

// Focus and text changes never reach onMessage: the dispatcher takes them itself.
void ComboBox::onFocusGained() {
    if (cover)
        cover->setFocused(true);
}

void ComboBox::onFocusLost() {
    if (cover)
        cover->setFocused(false);
}

void ComboBox::onTextChanged() {
    if (cover)
        cover->setText(text());
}

void ComboBox::onFontChanged() {
    if (cover)
        cover->takeFont(font);
}

void ComboBox::onStyleChanged() {
    if (!skinned(style)) {
        delete cover;
        return;
    }
    if (cover || !hwnd)
        return;
    cover = new ComboBoxCover(this);
    cover->takeFont(font);
    cover->setText(text());
    syncCover();
}

ComboBoxCover::ComboBoxCover(ComboBox* coveredBox) : Cover(coveredBox), box(coveredBox) {}

ComboBoxCover::~ComboBoxCover() {
    if (box && box->cover == this)
        box->cover = nullptr;
}

void ComboBoxCover::setFieldHeight(int32_t height) {
    if (height == fieldHeight)
        return;
    fieldHeight = height;
    repaint();
}

void ComboBoxCover::paintNow() {
    if (!hwnd)
        return;
    const HDC dc = GetDC(hwnd);
    if (!dc)
        return;
    {
        Canvas canvas(dc);
        canvas.setFont(font);
        paint(canvas, clientRect());
    }
    ReleaseDC(hwnd, dc);
}

ComboBoxCover::Layout ComboBoxCover::layout(const Rect& client) const {
    Layout result;
    result.field = client;
    if (fieldHeight > 0 && fieldHeight < client.height())
        result.field.bottom = client.top + fieldHeight;
    const Rect& f = result.field;
    const int32_t edge = f.right - (f.height() * 3) / 4 - 2;
    result.textBox = Rect(f.left, f.top, edge, f.bottom);
    result.buttonBox = Rect(edge, f.top, f.right, f.bottom);
    return result;
}

void ComboBoxCover::paint(Canvas& canvas, const Rect& updateRect) {
    const HDC dc = canvas.dc;
    const Rect client = clientRect();
    const Layout parts = layout(client);
    const Rect band(client.left, parts.field.bottom, client.right, client.bottom);
    if (!band.isEmpty() && band.top < updateRect.bottom && band.bottom > updateRect.top)
        fillRect(dc, band, styleColor(style, kColorFormBody));
    if (!style)
        return;

    int32_t field = kElementComboBox;
    int32_t button = kElementComboBoxButton;
    int32_t arrow = kElementComboBoxArrow;
    if (!enabled) {
        field = kElementComboBoxDisabled;
        button = kElementComboBoxButtonDisabled;
        arrow = kElementComboBoxArrowDisabled;
    } else if (dropped) {
        field = kElementComboBoxPressed;
        button = kElementComboBoxButtonPressed;
        arrow = kElementComboBoxArrowPressed;
    }
    canvas.drawElement(style->element(field), parts.textBox, PartAll);
    canvas.drawElement(style->element(button), parts.buttonBox, PartAll);
    const StyleElement& arrowElement = style->element(arrow);
    if (arrowElement.image) {
        const Rect size(0, 0, arrowElement.source.width(), arrowElement.source.height());
        const Rect at = centerRect(parts.buttonBox, size);
        canvas.blendImage(*arrowElement.image, at.left, at.top);
    }

    const std::wstring caption = text();
    const Rect extent = canvas.measureText(caption);
    const int32_t bottom = parts.field.bottom;
    // A long item is cut at the drop button rather than drawn over it.
    const Rect textRect(kTextIndent, (bottom - extent.height()) / 2,
                        std::min(extent.width() + kTextIndent, parts.textBox.right),
                        (bottom + extent.height()) / 2);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, style->color(enabled ? kColorWindowText : kColorGrayText));
    canvas.drawText(caption, textRect, DT_NOPREFIX | DT_VCENTER);
    if (focused && parent && focusCuesShown(parent->hwnd)) {
        const RECT focus = {textRect.left, textRect.top, textRect.right, textRect.bottom};
        DrawFocusRect(dc, &focus);
    }
}

} // namespace winui
