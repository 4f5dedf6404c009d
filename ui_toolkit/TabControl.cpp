#include "ui_toolkit/TabControl.h"

#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Style.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace winui {

namespace {

constexpr uint32_t kStripStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
// DT_VCENTER centres only a single line.
constexpr UINT kTitleFormat = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_CENTER;
constexpr unsigned kBoxSidesAndBottom = PartLeft | PartRight | PartBottomLeft | PartBottomRight | PartBottom;
constexpr unsigned kBoxTopRight = PartTop | PartTopRight;

// The part of the band above the pages that nothing else covers; owned for one paint.
class Band {
public:
    explicit Band(const Rect& r) : region_(CreateRectRgn(r.left, r.top, r.right, r.bottom)) {}
    ~Band() {
        if (region_)
            DeleteObject(region_);
    }
    Band(const Band&) = delete;
    Band& operator=(const Band&) = delete;

    void remove(const Rect& r) {
        if (!region_)
            return;
        const HRGN cut = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        if (!cut)
            return;
        CombineRgn(region_, region_, cut, RGN_DIFF);
        DeleteObject(cut);
    }
    void fill(HDC dc, HBRUSH brush) const {
        if (region_ && brush)
            FillRgn(dc, region_, brush);
    }

private:
    HRGN region_;
};

Rect toRect(const RECT& r) {
    return Rect(r.left, r.top, r.right, r.bottom);
}

} // namespace

TabControl::TabControl(Control* parentControl) : Control(parentControl) {
    createWindow(parent ? parent->hwnd : nullptr, WC_TABCONTROLW, kStripStyle, 0, false, Rect());
}

TabControl::~TabControl() {
    // The pages are children and go with them; only the list is ours.
    tabs.clear();
}

Tab* TabControl::addTab() {
    if (!hwnd)
        return nullptr;
    const auto index = static_cast<int32_t>(tabs.size());
    std::wstring text = L"Tab" + std::to_wstring(index);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = &text[0];
    // Without its native tab a page could never be selected, and every later index would
    // name the wrong tab.
    if (SendMessageW(hwnd, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) !=
        index)
        return nullptr;
    auto* page = new Tab(this);
    tabs.push_back(page);
    placePage(index);
    if (index == 0)
        selectTab(page);
    else if (page->hwnd)
        ShowWindow(page->hwnd, SW_HIDE);
    if (paintFlags != 0)
        InvalidateRect(hwnd, nullptr, FALSE);
    return page;
}

int32_t TabControl::indexOf(const Tab* page) const {
    const auto found = std::find(tabs.begin(), tabs.end(), page);
    return found == tabs.end() ? -1 : static_cast<int32_t>(found - tabs.begin());
}

void TabControl::placePage(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(tabs.size()) || !hwnd)
        return;
    Tab* page = tabs[static_cast<size_t>(index)];
    if (!page->hwnd)
        return;
    const Rect outer = bounds();
    RECT area = {outer.left, outer.top, outer.right, outer.bottom};
    SendMessageW(hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    // bounds() is in the parent's client coordinates, or the screen's for a strip without one.
    MapWindowPoints(parent ? parent->hwnd : nullptr, hwnd, reinterpret_cast<POINT*>(&area), 2);
    MoveWindow(page->hwnd, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

Tab* TabControl::selectedTab() const {
    if (!hwnd)
        return nullptr;
    const auto index = static_cast<int32_t>(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0));
    if (index < 0 || index >= static_cast<int32_t>(tabs.size()))
        return nullptr;
    return tabs[static_cast<size_t>(index)];
}

void TabControl::selectTab(Tab* page) {
    // A page of another control would only hide all of ours.
    if (indexOf(page) < 0)
        return;
    // The native strip selects its first tab by itself, before the page was ever shown; such
    // a page still has to appear.
    const bool pageShown = page->hwnd && (GetWindowLongW(page->hwnd, GWL_STYLE) & WS_VISIBLE);
    if (selectedTab() == page && pageShown)
        return;
    for (size_t i = 0; i < tabs.size(); ++i) {
        Tab* each = tabs[i];
        if (each == page) {
            SendMessageW(hwnd, TCM_SETCURSEL, i, 0);
            if (each->hwnd)
                ShowWindow(each->hwnd, SW_SHOWNORMAL);
        } else if (each->hwnd) {
            ShowWindow(each->hwnd, SW_HIDE);
        }
    }
}

void TabControl::onResized() {
    for (size_t i = 0; i < tabs.size(); ++i)
        placePage(static_cast<int32_t>(i));
}

void TabControl::onNotify(NMHDR* header) {
    if (header->code == TCN_SELCHANGING) {
        if (Tab* old = selectedTab())
            if (old->hwnd)
                ShowWindow(old->hwnd, SW_HIDE);
    } else if (header->code == TCN_SELCHANGE) {
        if (Tab* now = selectedTab())
            if (now->hwnd)
                ShowWindow(now->hwnd, SW_SHOWNORMAL);
        fireHandlers(selectionChanged);
    }
}

void TabControl::onStyleChanged() {
    paintFlags = (style && style->hasElement(kElementTab)) ? (PaintThroughPaint | EraseSwallow) : 0;
}

void TabControl::paint(Canvas& canvas, const Rect&) {
    if (!style || !hwnd)
        return;
    const Rect client = clientRect();
    RECT pageArea = {client.left, client.top, client.right, client.bottom};
    SendMessageW(hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&pageArea));
    const int32_t frame = style->dimension(kDimensionTabControlFrameWidth);
    const StyleElement& box = style->element(kElementTabControlBox);
    const int32_t borderLeft = box.inner.left - box.source.left;
    const int32_t borderTop = box.inner.top - box.source.top;
    const int32_t borderBottom = box.source.bottom - box.inner.bottom;

    Band band(Rect(client.left, client.top, client.right, pageArea.top));
    canvas.drawElement(box, Rect(client.left, pageArea.top - borderTop - frame, client.right, client.bottom),
                       kBoxSidesAndBottom);

    canvas.setFont(font);
    const auto count = static_cast<int32_t>(tabs.size());
    std::vector<Rect> items(tabs.size());
    int32_t lastRight = 0;
    int32_t itemsBottom = 0;
    for (int32_t i = 0; i < count; ++i) {
        RECT r = {};
        SendMessageW(hwnd, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        if (i == 0)
            r.left = 0;
        items[static_cast<size_t>(i)] = toRect(r);
        lastRight = r.right;
        itemsBottom = std::max<int32_t>(itemsBottom, r.bottom);
        band.remove(toRect(r));
    }

    canvas.drawElement(box,
                       Rect(client.left, itemsBottom - borderTop - frame, client.left + borderLeft,
                            itemsBottom + borderBottom),
                       PartLeft);
    band.remove(Rect(client.left, itemsBottom - frame, client.left + borderLeft, itemsBottom + borderBottom));
    if (lastRight < client.right) {
        canvas.drawElement(box,
                           Rect(lastRight - borderLeft, itemsBottom - frame, client.right,
                                itemsBottom - frame + borderTop),
                           kBoxTopRight);
        band.remove(Rect(lastRight, itemsBottom - frame, client.right, itemsBottom - frame + borderTop));
    }
    band.fill(canvas.dc, style->formBodyBrush().handle());

    const Tab* selected = selectedTab();
    const int32_t overlap = style->dimension(kDimensionTabOverlap);
    auto drawTab = [&](int32_t i) {
        Rect r = items[static_cast<size_t>(i)];
        if (i + 1 < count)
            r.right += overlap;
        const Tab* page = tabs[static_cast<size_t>(i)];
        const StyleElement& element = style->element(page == selected ? kElementTabSelected : kElementTab);
        canvas.drawElement(element, r, PartAll);
        SetBkMode(canvas.dc, TRANSPARENT);
        SetTextColor(canvas.dc, element.textColor);
        canvas.drawText(page->title, Rect(r.left + element.tx, r.top + element.ty, r.right, r.bottom),
                        kTitleFormat);
    };
    int32_t selectedIndex = -1;
    for (int32_t i = 0; i < count; ++i) {
        if (tabs[static_cast<size_t>(i)] == selected)
            selectedIndex = i;
        else
            drawTab(i);
    }
    // Drawn last so that it overlaps its neighbours.
    if (selectedIndex >= 0)
        drawTab(selectedIndex);
}

} // namespace winui
