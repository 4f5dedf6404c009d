#include "ui_toolkit/ComboBox.h"

#include "ui_toolkit/Form.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/tests/EventCounter.h"
#include "ui_toolkit/tests/WindowPixels.h"

#include <gtest/gtest.h>

#include <functional>

using winui::ComboBox;
using winui::ComboBoxCover;
using winui::Rect;
using namespace window_pixels;

namespace {

winui::Style* cxStyle() {
    return winui::getStyle(L"CX");
}

bool above(HWND upper, HWND lower) {
    for (HWND w = GetWindow(lower, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
        if (w == upper)
            return true;
    }
    return false;
}

} // namespace

TEST(ComboBoxTest, EverySelectionChangeFiresOnceHoweverItCame) {
    winui::Form form(nullptr, 300, 200, 0);
    form.setStyle(cxStyle());
    ComboBox box(&form);
    MoveWindow(box.hwnd, 10, 10, 150, 120, FALSE);
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    EventCounter changes;
    changes.holder.connect(box.selectionChanged, &changes, &EventCounter::fired);
    EXPECT_EQ(box.lastSelection, -1);

    auto select = [&](int index) { SendMessageW(box.hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0); };
    auto notify = [&](int code) {
        SendMessageW(form.hwnd, WM_COMMAND, MAKEWPARAM(box.id, code), reinterpret_cast<LPARAM>(box.hwnd));
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        int changes;
        int selection;
        const wchar_t* shown;
    } const steps[] = {
        {"emptying an empty list", [&] { SendMessageW(box.hwnd, CB_RESETCONTENT, 0, 0); }, 1, -1, L""},
        {"adding items", [&] { box.addItem(L"English"), box.addItem(L"French"), box.addItem(L"German"); }, 1,
         -1, L""},
        {"selecting by program", [&] { select(1); }, 2, 1, L"French"},
        {"selecting the same again", [&] { select(1); }, 2, 1, L"French"},
        {"a notice without a change", [&] { notify(CBN_SELCHANGE); }, 2, 1, L"French"},
        {"selecting another", [&] { select(2); }, 3, 2, L"German"},
        {"the user stepping up", [&] {
             SetFocus(box.hwnd);
             SendMessageW(box.hwnd, WM_KEYDOWN, VK_UP, 1);
             SendMessageW(box.hwnd, WM_KEYUP, VK_UP, 0xC0000001);
         }, 4, 1, L"French"},
        {"selecting nothing", [&] { select(-1); }, 5, -1, L""},
        {"emptying the list", [&] { SendMessageW(box.hwnd, CB_RESETCONTENT, 0, 0); }, 6, -1, L""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        pumpMessages();
        EXPECT_EQ(changes.count, step.changes);
        EXPECT_EQ(box.lastSelection, step.selection);
        EXPECT_EQ(box.selectedText(), step.shown);
        ASSERT_NE(box.cover, nullptr);
        EXPECT_EQ(box.cover->text(), step.shown);
    }

    box.addItem(L"Dutch");
    EXPECT_EQ(box.itemText(0), L"Dutch");
    EXPECT_EQ(box.itemText(1), L"");
    EXPECT_EQ(box.itemText(-1), L"");
    EXPECT_EQ(box.itemText(0x7FFFFFFF), L"");
}

TEST(ComboBoxTest, CoverLiesOverTheBoxAtLeastCoverHeightTall) {
    ASSERT_NE(cxStyle(), nullptr);
    winui::Form form(nullptr, 300, 200, 0);
    auto* box = new ComboBox(&form);
    EXPECT_EQ(box->cover, nullptr);
    MoveWindow(box->hwnd, 20, 30, 160, 120, FALSE);
    form.setStyle(cxStyle());
    ComboBoxCover* cover = box->cover;
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(className(cover->hwnd), winui::childWindowClass);
    EXPECT_EQ(windowStyle(cover->hwnd), 0x54000000u);
    EXPECT_EQ(GetParent(cover->hwnd), form.hwnd);
    EXPECT_FALSE(cover->inheritFont);
    EXPECT_TRUE(above(cover->hwnd, box->hwnd));
    const Rect field = box->bounds();
    ASSERT_GT(field.height(), 10);
    ASSERT_LT(field.height(), 40);

    struct Case {
        int32_t coverHeight;
        Rect bounds;
        int32_t paintedFieldBottom;
    } const cases[] = {
        {0, field, field.height()},
        {40, Rect(field.left, field.top, field.right, field.top + 40), 40},
        {field.height() - 4, field, field.height() - 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.coverHeight);
        box->setCoverHeight(c.coverHeight);
        EXPECT_EQ(cover->fieldHeight, c.coverHeight);
        EXPECT_EQ(cover->bounds(), c.bounds);
        EXPECT_EQ(cover->layout(cover->clientRect()).field.bottom, c.paintedFieldBottom);
        EXPECT_TRUE(above(cover->hwnd, box->hwnd));
    }

    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    POINT middle = {field.left + 20, field.top + field.height() / 2};
    ClientToScreen(form.hwnd, &middle);
    EXPECT_EQ(WindowFromPoint(middle), box->hwnd);

    // A new font reaches the cover although it does not inherit one.
    winui::Font bigger = winui::Font::fromLogFont([] {
        LOGFONTW lf = {};
        lf.lfHeight = -20;
        wcscpy(lf.lfFaceName, L"Tahoma");
        return lf;
    }());
    box->setFont(bigger);
    LOGFONTW seen = {};
    ASSERT_TRUE(cover->font.getLogFont(seen));
    EXPECT_EQ(seen.lfHeight, -20);

    const HWND coverWindow = cover->hwnd;
    form.setStyle(nullptr);
    EXPECT_EQ(box->cover, nullptr);
    EXPECT_FALSE(IsWindow(coverWindow));
}

TEST(ComboBoxTest, CoverShowsDropDownAndCloseUpAtOnce) {
    winui::Style* cx = cxStyle();
    ASSERT_NE(cx, nullptr);
    winui::Form form(nullptr, 300, 200, 0);
    form.setStyle(cx);
    auto* box = new ComboBox(&form);
    MoveWindow(box->hwnd, 20, 30, 160, 120, FALSE);
    box->addItem(L"One");
    box->addItem(L"Two");
    SendMessageW(box->hwnd, CB_SETCURSEL, 0, 0);
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(form.hwnd);
    ComboBoxCover* cover = box->cover;
    ASSERT_NE(cover, nullptr);
    const Rect place = cover->bounds();
    const ComboBoxCover::Layout parts = cover->layout(cover->clientRect());

    // The button's top band, above the arrow, and the field's left border column.
    const Rect buttonTop = offset(Rect(parts.buttonBox.left + 4, 1, parts.buttonBox.right - 4, 3), place.left,
                                  place.top);
    const Rect fieldBorder = offset(Rect(0, 6, 1, parts.field.bottom - 6), place.left, place.top);
    auto shows = [&](const winui::Image& shot, int32_t field, int32_t button) {
        return regionMismatch(shot, buttonTop, elementPixel(*cx, button, 8, 2)) +
               regionMismatch(shot, fieldBorder, elementPixel(*cx, field, 0, 10));
    };
    EXPECT_EQ(shows(capture(form.hwnd), winui::kElementComboBox, winui::kElementComboBoxButton), "");

    // No paint message is handled between the change and the reading.
    SendMessageW(box->hwnd, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_TRUE(cover->dropped);
    EXPECT_EQ(shows(grab(form.hwnd), winui::kElementComboBoxPressed, winui::kElementComboBoxButtonPressed), "");
    SendMessageW(box->hwnd, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_FALSE(cover->dropped);
    EXPECT_EQ(shows(grab(form.hwnd), winui::kElementComboBox, winui::kElementComboBoxButton), "");

    EnableWindow(box->hwnd, FALSE);
    EXPECT_FALSE(cover->enabled);
    EXPECT_EQ(shows(capture(form.hwnd), winui::kElementComboBoxDisabled, winui::kElementComboBoxButtonDisabled),
              "");
}
