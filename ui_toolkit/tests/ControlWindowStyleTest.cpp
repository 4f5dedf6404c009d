#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/Picture.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/tests/WindowPixels.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using winui::Rect;

TEST(ControlWindowStyleTest, LabelFlagsAndEditKindsGiveTheirWindowStyles) {
    winui::Form form(nullptr, 200, 100, 0);
    // Edits trade WS_BORDER for a client edge and combo boxes keep their scroll bar to the
    // list; the platform takes those bits out of the window's own style.
    constexpr uint32_t kEditDrops = WS_BORDER;
    constexpr uint32_t kComboDrops = WS_VSCROLL;
    struct Case {
        const char* what;
        std::function<winui::Control*()> make;
        const wchar_t* nativeClass;
        uint32_t windowStyle;
        uint32_t platformDrops;
    } const cases[] = {
        {"label, default flags", [&] { return new winui::Label(&form); }, L"Static", 0x5400000Cu, 0},
        {"label, centred", [&] { return new winui::Label(&form, winui::LabelCentered); }, L"Static", 0x54000001u, 0},
        {"label, wrapped", [&] { return new winui::Label(&form, winui::LabelWrap); }, L"Static", 0x54000000u, 0},
        {"label, centred wins over wrapped",
         [&] { return new winui::Label(&form, winui::LabelCentered | winui::LabelWrap); }, L"Static", 0x54000001u, 0},
        {"label, no prefix", [&] { return new winui::Label(&form, winui::LabelNoPrefix); }, L"Static", 0x5400008Cu,
         0},
        {"label, centred without prefix",
         [&] { return new winui::Label(&form, winui::LabelCentered | winui::LabelNoPrefix); }, L"Static",
         0x54000081u, 0},
        {"label, wrapped without prefix",
         [&] { return new winui::Label(&form, winui::LabelWrap | winui::LabelNoPrefix); }, L"Static", 0x54000080u,
         0},
        {"edit, default kind", [&] { return new winui::Edit(&form); }, L"Edit", 0x54810080u, kEditDrops},
        {"edit, single line", [&] { return new winui::Edit(&form, winui::EditSingleLine); }, L"Edit", 0x54810080u,
         kEditDrops},
        {"edit, password", [&] { return new winui::Edit(&form, winui::EditPassword); }, L"Edit", 0x548100A0u,
         kEditDrops},
        {"edit, multi-line", [&] { return new winui::Edit(&form, winui::EditMultiLine); }, L"Edit", 0x54811044u,
         kEditDrops},
        {"edit, unknown kind", [&] { return new winui::Edit(&form, 7); }, L"Edit", 0x54810000u, kEditDrops},
        {"edit, negative kind", [&] { return new winui::Edit(&form, -1); }, L"Edit", 0x54810000u, kEditDrops},
        {"combo box", [&] { return new winui::ComboBox(&form); }, L"ComboBox", 0x54210003u, kComboDrops},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<winui::Control> control(c.make());
        ASSERT_NE(control->hwnd, nullptr);
        EXPECT_EQ(className(control->hwnd), c.nativeClass);
        EXPECT_EQ(windowStyle(control->hwnd) | c.platformDrops, c.windowStyle);
        EXPECT_EQ(control->paintFlags, 0u);
        // Created with an empty rectangle until the owner places it (a combo box picks its
        // own height).
        const Rect placed = control->bounds();
        EXPECT_EQ(placed.left, -50);
        EXPECT_EQ(placed.top, -50);
        EXPECT_EQ(placed.width(), 30);
        if (c.platformDrops != kComboDrops) {
            EXPECT_EQ(placed.height(), 30);
        }
    }
}

TEST(ControlWindowStyleTest, PictureStretchesItsImageOverTheClientArea) {
    winui::Style* cx = winui::getStyle(L"CX");
    ASSERT_NE(cx, nullptr);
    winui::Form form(nullptr, 200, 150, 0);
    form.setStyle(cx);
    auto* picture = new winui::Picture(&form);
    EXPECT_EQ(className(picture->hwnd), winui::childWindowClass);
    EXPECT_EQ(windowStyle(picture->hwnd), 0x54000000u);
    EXPECT_EQ(picture->paintFlags, winui::PaintThroughPaint | winui::EraseSwallow);
    MoveWindow(picture->hwnd, 30, 20, 120, 90, FALSE);
    const Rect place(30, 20, 150, 110);

    // Without an image the picture shows the form colour, never what lay there before.
    winui::Image shot = window_pixels::capture(form.hwnd);
    EXPECT_EQ(window_pixels::regionMismatch(shot, place, cx->color(winui::kColorFormBody)), "");

    // A 3 x 2 image of one colour covers the whole of it.
    winui::Image image;
    ASSERT_TRUE(image.createBlank(3, 2));
    const winui::Brush green(RGB(20, 160, 60));
    const RECT all = {0, 0, 3, 2};
    FillRect(image.canvas()->dc, &all, green.handle());
    picture->image = &image;
    InvalidateRect(picture->hwnd, nullptr, FALSE);
    shot = window_pixels::capture(form.hwnd);
    EXPECT_EQ(window_pixels::regionMismatch(shot, place, RGB(20, 160, 60)), "");
    // Nothing beyond it.
    EXPECT_EQ(window_pixels::regionMismatch(shot, Rect(150, 20, 160, 110), cx->color(winui::kColorFormBody)), "");
    picture->image = nullptr;
}
