#include "ui_toolkit/ColorRect.h"

#include "ui_toolkit/Form.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/tests/EventCounter.h"
#include "ui_toolkit/tests/WindowPixels.h"

#include <gtest/gtest.h>

using winui::ColorRect;
using winui::Rect;
using namespace window_pixels;

TEST(ColorRectTest, EnabledShowsItsColourDisabledTheFormColourInADashedFrame) {
    winui::Style* cx = winui::getStyle(L"CX");
    ASSERT_NE(cx, nullptr);
    winui::Form form(nullptr, 200, 120, 0);
    form.setStyle(cx);
    auto* swatch = new ColorRect(&form);
    EXPECT_EQ(className(swatch->hwnd), winui::childWindowClass);
    EXPECT_EQ(windowStyle(swatch->hwnd), 0x54000000u);
    EXPECT_EQ(swatch->paintFlags, winui::PaintThroughPaint | winui::EraseSwallow);
    EXPECT_EQ(swatch->color, 0u);
    const Rect place(20, 20, 120, 80);
    MoveWindow(swatch->hwnd, place.left, place.top, place.width(), place.height(), FALSE);
    swatch->setColor(RGB(200, 40, 30));

    const COLORREF shadow = cx->color(winui::kColorButtonShadow);
    const COLORREF body = cx->color(winui::kColorFormBody);
    const Rect inside(place.left + 1, place.top + 1, place.right - 1, place.bottom - 1);
    const Rect topEdge(place.left, place.top, place.right, place.top + 1);

    winui::Image shot = capture(form.hwnd);
    EXPECT_EQ(regionMismatch(shot, inside, RGB(200, 40, 30)), "");
    EXPECT_EQ(regionMismatch(shot, topEdge, shadow), "");

    EnableWindow(swatch->hwnd, FALSE);
    shot = capture(form.hwnd);
    EXPECT_EQ(regionMismatch(shot, inside, body), "");
    // Dashes: the frame has pixels of the shadow colour and gaps of the form colour.
    int dashes = 0;
    int gaps = 0;
    for (int32_t x = place.left; x < place.right; ++x) {
        const COLORREF found = pixel(shot, x, place.top);
        dashes += found == shadow;
        gaps += found == body;
    }
    EXPECT_GT(dashes, 0);
    EXPECT_GT(gaps, 0);
    EXPECT_EQ(dashes + gaps, place.width());
}

TEST(ColorRectTest, EitherButtonFiresBothEventsWithTheSwatch) {
    winui::Form form(nullptr, 200, 120, 0);
    auto* first = new ColorRect(&form);
    auto* second = new ColorRect(&form);
    MoveWindow(first->hwnd, 0, 0, 40, 40, FALSE);
    MoveWindow(second->hwnd, 50, 0, 40, 40, FALSE);

    // One handler serves both swatches and tells them apart by the pointer it receives.
    EventCounter clicks;
    EventRecorder<ColorRect*> from;
    for (ColorRect* swatch : {first, second}) {
        clicks.holder.connect(swatch->clicked, &clicks, &EventCounter::fired);
        from.holder.connect(swatch->clickedFrom, &from, &EventRecorder<ColorRect*>::fired);
    }
    SendMessageW(second->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(second->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(first->hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    SendMessageW(first->hwnd, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks.count, 2);
    EXPECT_EQ(from.arguments, (std::vector<ColorRect*>{second, first}));
}

TEST(ColorRectTest, AHandlerMayDeleteTheSwatch) {
    struct Closer {
        ColorRect* swatch = nullptr;
        HandlerHolder holder;
        void close() {
            delete swatch;
            swatch = nullptr;
        }
    };
    winui::Form form(nullptr, 200, 120, 0);
    Closer closer;
    closer.swatch = new ColorRect(&form);
    EventRecorder<ColorRect*> from;
    closer.holder.connect(closer.swatch->clicked, &closer, &Closer::close);
    from.holder.connect(closer.swatch->clickedFrom, &from, &EventRecorder<ColorRect*>::fired);
    const HWND window = closer.swatch->hwnd;
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(closer.swatch, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(from.arguments.empty());
}
