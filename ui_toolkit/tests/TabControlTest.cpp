#include "ui_toolkit/TabControl.h"

#include "core/events/HandlerHolder.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using winui::Rect;
using winui::Tab;
using winui::TabControl;

namespace {

bool visible(const Tab* page) {
    return (GetWindowLongW(page->hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::wstring nativeText(const TabControl& strip, int index) {
    wchar_t buffer[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 64;
    SendMessageW(strip.hwnd, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

// Notes what the pages look like when each notification arrives and after it was handled.
class RecordingTabs : public TabControl {
public:
    explicit RecordingTabs(winui::Control* parent) : TabControl(parent) {}
    void onNotify(NMHDR* header) override {
        const wchar_t* name = header->code == TCN_SELCHANGING ? L"changing" :
                              header->code == TCN_SELCHANGE   ? L"change" : nullptr;
        if (name)
            log.push_back(std::wstring(name) + L" " + state());
        TabControl::onNotify(header);
        if (name)
            log.push_back(std::wstring(L"after ") + name + L" " + state());
    }
    // The native selection and which pages are shown, e.g. "0 10".
    std::wstring state() const {
        std::wstring s = std::to_wstring(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0)) + L" ";
        for (const Tab* page : tabs) s += visible(page) ? L"1" : L"0";
        return s;
    }
    std::vector<std::wstring> log;
};

struct Counter {
    int count = 0;
    HandlerHolder holder;
    void fired() { ++count; }
};

} // namespace

TEST(TabControlTest, AddingTabsSelectsTheFirstAndHidesTheRest) {
    winui::Form form(nullptr, 400, 300, 0);
    auto* strip = new TabControl(&form);
    EXPECT_EQ(className(strip->hwnd), L"SysTabControl32");
    EXPECT_EQ(static_cast<uint32_t>(GetWindowLongW(strip->hwnd, GWL_STYLE)), 0x56000000u);
    EXPECT_EQ(strip->paintFlags, 0u);
    EXPECT_EQ(strip->selectedTab(), nullptr);
    MoveWindow(strip->hwnd, 10, 20, 300, 200, FALSE);

    Tab* first = strip->addTab();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->parent, strip);
    EXPECT_EQ(className(first->hwnd), winui::childWindowClass);
    EXPECT_EQ(strip->selectedTab(), first);
    EXPECT_TRUE(visible(first));

    Tab* second = strip->addTab();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(strip->selectedTab(), first);
    EXPECT_TRUE(visible(first));
    EXPECT_FALSE(visible(second));
    EXPECT_EQ(static_cast<uint32_t>(GetWindowLongW(second->hwnd, GWL_STYLE)), 0x44000000u);
    EXPECT_EQ(strip->tabs, (std::vector<Tab*>{first, second}));
    EXPECT_EQ(strip->indexOf(second), 1);
    EXPECT_EQ(strip->indexOf(nullptr), -1);
    EXPECT_EQ(nativeText(*strip, 0), L"Tab0");
    EXPECT_EQ(nativeText(*strip, 1), L"Tab1");

    // Every page covers the display area, in the strip's own coordinates.
    RECT area = {0, 0, 300, 200};
    SendMessageW(strip->hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    const Rect display(area.left, area.top, area.right, area.bottom);
    EXPECT_EQ(first->bounds(), display);
    EXPECT_EQ(second->bounds(), display);
    // And follows a resize of the strip.
    MoveWindow(strip->hwnd, 10, 20, 350, 240, FALSE);
    RECT bigger = {0, 0, 350, 240};
    SendMessageW(strip->hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&bigger));
    EXPECT_EQ(second->bounds(), Rect(bigger.left, bigger.top, bigger.right, bigger.bottom));

    // Titles go to the native tabs; an unchanged title, or a page the strip does not list,
    // changes no native text.
    second->setTitle(L"Colours");
    EXPECT_EQ(second->title, L"Colours");
    EXPECT_EQ(nativeText(*strip, 1), L"Colours");
    EXPECT_EQ(nativeText(*strip, 0), L"Tab0");
    auto* stray = new Tab(strip);
    EXPECT_EQ(strip->indexOf(stray), -1);
    stray->setTitle(L"Stray");
    EXPECT_EQ(stray->title, L"Stray");
    EXPECT_EQ(nativeText(*strip, 0), L"Tab0");
    EXPECT_EQ(nativeText(*strip, 1), L"Colours");
}

TEST(TabControlTest, SelectingInCodeSwapsThePagesWithoutTheEvent) {
    winui::Form form(nullptr, 400, 300, 0);
    TabControl strip(&form);
    MoveWindow(strip.hwnd, 0, 0, 300, 200, FALSE);
    Tab* pages[3] = {strip.addTab(), strip.addTab(), strip.addTab()};
    Counter changes;
    changes.holder.connect(strip.selectionChanged, &changes, &Counter::fired);

    strip.selectTab(pages[2]);
    EXPECT_EQ(strip.selectedTab(), pages[2]);
    EXPECT_FALSE(visible(pages[0]));
    EXPECT_FALSE(visible(pages[1]));
    EXPECT_TRUE(visible(pages[2]));
    strip.selectTab(pages[2]);
    strip.selectTab(nullptr);
    EXPECT_EQ(strip.selectedTab(), pages[2]);
    EXPECT_TRUE(visible(pages[2]));
    EXPECT_EQ(changes.count, 0);

    // A selection beyond the pages reads as none.
    SendMessageW(strip.hwnd, TCM_SETCURSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(strip.selectedTab(), nullptr);
}

TEST(TabControlTest, UserSwitchHidesTheOldPageFirstAndFiresOnce) {
    winui::Form form(nullptr, 400, 300, 0);
    auto* strip = new RecordingTabs(&form);
    MoveWindow(strip->hwnd, 0, 0, 300, 200, FALSE);
    strip->addTab();
    Tab* second = strip->addTab();
    Counter changes;
    changes.holder.connect(strip->selectionChanged, &changes, &Counter::fired);
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    pumpMessages();

    RECT item = {};
    ASSERT_TRUE(SendMessageW(strip->hwnd, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item)));
    const LPARAM where = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(strip->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, where);
    SendMessageW(strip->hwnd, WM_LBUTTONUP, 0, where);
    pumpMessages();

    EXPECT_EQ(strip->log, (std::vector<std::wstring>{L"changing 0 10", L"after changing 0 00",
                                                     L"change 1 00", L"after change 1 01"}));
    EXPECT_EQ(strip->selectedTab(), second);
    EXPECT_EQ(changes.count, 1);
}

TEST(TabControlTest, PageClickFiresForTheLeftButtonOnly) {
    winui::Form form(nullptr, 400, 300, 0);
    TabControl strip(&form);
    MoveWindow(strip.hwnd, 0, 0, 300, 200, FALSE);
    Tab* page = strip.addTab();
    Counter clicks;
    clicks.holder.connect(page->clicked, &clicks, &Counter::fired);
    SendMessageW(page->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(page->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(page->hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    SendMessageW(page->hwnd, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks.count, 1);
}

TEST(TabControlTest, StyledStripPaintsTabsBoxAndBand) {
    const winui::Style* cx = winui::getStyle(L"CX");
    ASSERT_NE(cx, nullptr);
    winui::Form form(nullptr, 400, 300, 0);
    form.setStyle(const_cast<winui::Style*>(cx));
    TabControl strip(&form);
    EXPECT_EQ(strip.paintFlags, winui::PaintThroughPaint | winui::EraseSwallow);
    MoveWindow(strip.hwnd, 0, 0, 300, 200, FALSE);
    Tab* first = strip.addTab();
    Tab* second = strip.addTab();
    EXPECT_EQ(first->paintFlags, winui::PaintValidateOnly | winui::EraseThroughErase);
    first->setTitle(L"One");
    second->setTitle(L"Two");

    winui::Image surface;
    ASSERT_TRUE(surface.createBlank(300, 200));
    // A colour that no step paints, to see what was left out.
    const RECT all = {0, 0, 300, 200};
    winui::Brush marker(RGB(1, 2, 3));
    FillRect(surface.canvas()->dc, &all, marker.handle());
    strip.paint(*surface.canvas(), Rect(0, 0, 300, 200));
    const HDC dc = surface.canvas()->dc;

    RECT firstItem = {};
    RECT secondItem = {};
    SendMessageW(strip.hwnd, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&firstItem));
    SendMessageW(strip.hwnd, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&secondItem));
    const COLORREF body = cx->color(winui::kColorFormBody);
    // The band right of the tabs, above the box's top border, is the form body.
    EXPECT_EQ(GetPixel(dc, 290, 0), body);
    // The box's bottom edge and the tabs are painted from the style.
    const COLORREF bottom = GetPixel(dc, 150, 199);
    EXPECT_NE(bottom, body);
    EXPECT_NE(bottom, RGB(1, 2, 3));
    // The selected tab, drawn from its own element, starts at the strip's left edge: its
    // border there, its inside the body colour; the other tab is filled.
    const int tabMiddle = (firstItem.top + firstItem.bottom) / 2;
    const COLORREF selectedBorder = GetPixel(dc, 0, tabMiddle);
    EXPECT_NE(selectedBorder, body);
    EXPECT_NE(selectedBorder, RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, firstItem.left + 3, firstItem.bottom - 2), body);
    const COLORREF otherInside = GetPixel(dc, secondItem.left + 4, secondItem.bottom - 2);
    EXPECT_NE(otherInside, body);
    EXPECT_NE(otherInside, RGB(1, 2, 3));
    // Nothing of the strip's top rows is left unpainted.
    for (int x = 0; x < 300; x += 7)
        EXPECT_NE(GetPixel(dc, x, 1), RGB(1, 2, 3)) << x;

    // Without the style the strip is native again.
    form.setStyle(nullptr);
    EXPECT_EQ(strip.paintFlags, 0u);
}

TEST(TabControlTest, StyledTitlesStandCentredInTheirTabs) {
    winui::Style* cx = winui::getStyle(L"CX");
    ASSERT_NE(cx, nullptr);
    winui::Form form(nullptr, 400, 300, 0);
    form.setStyle(cx);
    TabControl strip(&form);
    MoveWindow(strip.hwnd, 0, 0, 300, 200, FALSE);
    Tab* first = strip.addTab();
    Tab* second = strip.addTab();
    first->setTitle(L"Fonts");
    second->setTitle(L"Mgjy");
    RECT item = {};
    SendMessageW(strip.hwnd, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));

    // The rows where the title changes what the tab shows: painted with and without it.
    auto paintStrip = [&](winui::Image& surface) {
        surface.createBlank(300, 200);
        strip.paint(*surface.canvas(), Rect(0, 0, 300, 200));
    };
    winui::Image titled;
    paintStrip(titled);
    second->title.clear();
    winui::Image bare;
    paintStrip(bare);
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < item.bottom + 4; ++y) {
        for (int x = item.left; x < item.right; ++x) {
            if (GetPixel(titled.canvas()->dc, x, y) != GetPixel(bare.canvas()->dc, x, y)) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
        }
    }
    ASSERT_GE(top, 0);
    EXPECT_GE(top, item.top) << "the title reaches above its tab";
    EXPECT_LT(bottom, item.bottom);
    EXPECT_LE(std::abs((top + bottom) - static_cast<int>(item.top + item.bottom)), 6)
        << "rows " << top << ".." << bottom << " in a tab of " << item.top << ".." << item.bottom;
}
