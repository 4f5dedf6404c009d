#include "ui_toolkit/Form.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/tests/ControlProbe.h"
#include "ui_toolkit/tests/StyleTestSupport.h"

#include <gtest/gtest.h>

using winui::Rect;

namespace {

// A 1 x 1 pixel memory surface to see what an erase painted.
class Pixel {
public:
    Pixel() : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = 1;
        info.bmiHeader.biHeight = 1;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Pixel() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF color() const { return GetPixel(dc_, 0, 0); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

} // namespace

TEST(ControlStyleTest, StyleReachesInheritingChildrenAndSkinsTheFormBackground) {
    winui::Style style(L"cx.xml", style_test::fixturePackage());
    winui::Form form(nullptr, 100, 80, 0);
    auto* inheriting = new ControlProbe(&form);
    auto* own = new ControlProbe(&form);
    own->inheritStyle = false;
    EXPECT_EQ(form.paintFlags, 0u); // native painting without a style

    inheriting->calls.clear();
    form.setStyle(&style);
    EXPECT_EQ(inheriting->style, &style);
    EXPECT_EQ(inheriting->calls, std::vector<std::wstring>{L"styleChanged"});
    EXPECT_EQ(own->style, nullptr);
    EXPECT_EQ(form.paintFlags, winui::PaintValidateOnly | winui::EraseThroughErase);

    // A child created under a styled parent starts with its style.
    auto* late = new ControlProbe(&form);
    EXPECT_EQ(late->style, &style);

    Pixel pixel;
    SetPixel(pixel.dc(), 0, 0, RGB(1, 2, 3));
    EXPECT_EQ(SendMessageW(form.hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(pixel.dc()), 0), 1);
    EXPECT_EQ(pixel.color(), style.color(winui::kColorFormBody));

    form.setStyle(nullptr);
    EXPECT_EQ(form.paintFlags, 0u);
}

TEST(ControlStyleTest, ColourMessagesUseTheReceiversStyle) {
    winui::Style style(L"cx.xml", style_test::fixturePackage());
    ControlProbe top;
    auto* label = new ControlProbe(&top, L"STATIC", WS_CHILD | WS_VISIBLE);
    Pixel pixel;
    const WPARAM dc = reinterpret_cast<WPARAM>(pixel.dc());
    const LPARAM sender = reinterpret_cast<LPARAM>(label->hwnd);

    // Without a style the platform answers.
    const LRESULT native = SendMessageW(top.hwnd, WM_CTLCOLORSTATIC, dc, sender);
    EXPECT_NE(native, reinterpret_cast<LRESULT>(style.formBodyBrush().handle()));

    top.setStyle(&style);
    struct Case {
        UINT message;
        HBRUSH brush;
        COLORREF text;
        COLORREF back;
    };
    const Case cases[] = {
        {WM_CTLCOLORSTATIC, style.formBodyBrush().handle(), style.color(winui::kColorFormText),
         style.color(winui::kColorFormBody)},
        {WM_CTLCOLOREDIT, style.windowBrush().handle(), style.color(winui::kColorWindowText),
         style.color(winui::kColorWindow)},
        {WM_CTLCOLORLISTBOX, style.windowBrush().handle(), style.color(winui::kColorWindowText),
         style.color(winui::kColorWindow)},
    };
    for (const Case& c : cases) {
        SetTextColor(pixel.dc(), RGB(9, 9, 9));
        SetBkColor(pixel.dc(), RGB(9, 9, 9));
        ASSERT_NE(c.brush, nullptr);
        EXPECT_EQ(SendMessageW(top.hwnd, c.message, dc, sender), reinterpret_cast<LRESULT>(c.brush));
        EXPECT_EQ(GetTextColor(pixel.dc()), c.text) << c.message;
        EXPECT_EQ(GetBkColor(pixel.dc()), c.back) << c.message;
    }
}
