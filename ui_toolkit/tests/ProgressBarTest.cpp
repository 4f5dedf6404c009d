#include "ui_toolkit/ProgressBar.h"

#include "ui_toolkit/Form.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

using winui::Image;
using winui::ProgressBar;
using winui::Rect;

namespace {

const winui::Style& cxStyle() {
    const winui::Style* style = winui::getStyle(L"CX");
    EXPECT_NE(style, nullptr);
    return *style;
}

uint32_t pixelAt(const Image& image, int32_t x, int32_t y) {
    uint32_t value = 0;
    std::memcpy(&value, image.pixels() + y * image.stride() + x * 4, 4);
    return value & 0x00FFFFFF;
}

// The native control's own idea of its range and position.
struct NativeState {
    int low;
    int high;
    int position;
};

NativeState nativeState(HWND bar) {
    PBRANGE range = {};
    SendMessageW(bar, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&range));
    return {range.iLow, range.iHigh, static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0))};
}

} // namespace

TEST(ProgressBarTest, NativeWithoutStyleAndPaintedWithOne) {
    winui::Form form(nullptr, 300, 100, 0);
    auto* plain = new ProgressBar(&form);
    EXPECT_EQ(className(plain->hwnd), L"msctls_progress32");
    EXPECT_EQ(windowStyle(plain->hwnd), 0x54000001u);
    EXPECT_EQ(plain->paintFlags, 0u);
    EXPECT_EQ(plain->minimum, 0);
    EXPECT_EQ(plain->maximum, 0);
    EXPECT_EQ(plain->position, 0);
    EXPECT_TRUE(plain->fullImage.isEmpty());

    winui::Form styled(nullptr, 300, 100, 0);
    styled.setStyle(const_cast<winui::Style*>(&cxStyle()));
    auto* painted = new ProgressBar(&styled);
    EXPECT_EQ(className(painted->hwnd), winui::childWindowClass);
    EXPECT_EQ(windowStyle(painted->hwnd), 0x54000000u);
    EXPECT_EQ(painted->paintFlags, winui::PaintThroughPaint | winui::EraseSwallow);

    // Both renderings follow the client size.
    MoveWindow(painted->hwnd, 0, 0, 200, 12, FALSE);
    ASSERT_FALSE(painted->fullImage.isEmpty());
    EXPECT_EQ(painted->fullImage.width(), 200);
    EXPECT_EQ(painted->fullImage.height(), 12);
    EXPECT_EQ(painted->emptyImage.width(), 200);
    EXPECT_EQ(painted->emptyImage.height(), 12);
}

TEST(ProgressBarTest, RangeAndPositionAreClampedAndReachTheNativeControl) {
    winui::Form form(nullptr, 300, 100, 0);
    ProgressBar bar(&form);

    // Before the first range the maximum is 0, so any position is kept as given ...
    bar.setPosition(150);
    EXPECT_EQ(bar.position, 150);
    // ... and the range pulls it back.
    bar.setRange(0);
    EXPECT_EQ(bar.minimum, 0);
    EXPECT_EQ(bar.maximum, 100);
    EXPECT_EQ(bar.position, 100);
    NativeState native = nativeState(bar.hwnd);
    EXPECT_EQ(native.low, 0);
    EXPECT_EQ(native.high, 100);

    bar.setRange(30);
    bar.setPosition(40);
    bar.setRange(60); // below the new minimum
    EXPECT_EQ(bar.position, 60);
    EXPECT_EQ(nativeState(bar.hwnd).low, 60);

    // Values the native control cannot hold change nothing.
    struct Case {
        bool range;
        int32_t value;
    } const ignored[] = {{true, 0x10000}, {true, -1}, {true, INT32_MIN}, {false, 0x10000},
                         {false, -5}, {false, INT32_MIN}};
    for (const Case& c : ignored) {
        if (c.range)
            bar.setRange(c.value);
        else
            bar.setPosition(c.value);
        EXPECT_EQ(bar.minimum, 60) << c.value;
        EXPECT_EQ(bar.maximum, 100) << c.value;
        EXPECT_EQ(bar.position, 60) << c.value;
    }

    // The range already set, or the position already held, sends nothing to the native
    // control: a value put there behind the bar's back survives.
    SendMessageW(bar.hwnd, PBM_SETRANGE, 0, MAKELPARAM(5, 90));
    SendMessageW(bar.hwnd, PBM_SETPOS, 70, 0);
    bar.setRange(60);
    bar.setPosition(60);
    native = nativeState(bar.hwnd);
    EXPECT_EQ(native.low, 5);
    EXPECT_EQ(native.high, 90);
    EXPECT_EQ(native.position, 70);
}

TEST(ProgressBarTest, FilledWidthStaysInsideTheBar) {
    winui::Form form(nullptr, 300, 100, 0);
    ProgressBar bar(&form);
    struct Case {
        int32_t minimum;
        int32_t position;
        int32_t width;
        int32_t expected;
    } const cases[] = {
        {0, 0, 200, 0},       {0, 50, 200, 100},  {0, 99, 200, 198}, {0, 100, 200, 200},
        {0, 150, 200, 200},   {20, 60, 200, 100}, {20, 20, 200, 0},  {50, 99, 200, 196},
        {100, 100, 200, 0},   {150, 150, 200, 0}, {0, 50, 0, 0},     {0, 0xFFFF, 4000, 4000},
        {0, 33, 3, 0},
    };
    for (const Case& c : cases) {
        bar.minimum = c.minimum;
        bar.maximum = 100;
        bar.position = c.position;
        EXPECT_EQ(bar.fullWidth(c.width), c.expected) << c.minimum << " " << c.position << " " << c.width;
    }
}

TEST(ProgressBarTest, PaintsTheFullPartThenTheEmptyPartFromTheStyle) {
    winui::Form form(nullptr, 300, 100, 0);
    form.setStyle(const_cast<winui::Style*>(&cxStyle()));
    ProgressBar bar(&form);
    MoveWindow(bar.hwnd, 10, 10, 200, 10, FALSE);
    bar.setRange(0);
    bar.setPosition(50);
    ASSERT_EQ(bar.fullImage.width(), 200);

    // The two renderings differ in the middle of the bar, so the copy below shows its source.
    EXPECT_NE(pixelAt(bar.fullImage, 100, 5), pixelAt(bar.emptyImage, 100, 5));

    Image target;
    ASSERT_TRUE(target.createBlank(200, 10));
    bar.paint(*target.canvas(), Rect(0, 0, 200, 10));
    for (int32_t x : {0, 1, 50, 99}) {
        EXPECT_EQ(pixelAt(target, x, 5), pixelAt(bar.fullImage, x, 5)) << x;
        EXPECT_EQ(pixelAt(target, x, 0), pixelAt(bar.fullImage, x, 0)) << x;
    }
    for (int32_t x : {100, 101, 150, 199}) {
        EXPECT_EQ(pixelAt(target, x, 5), pixelAt(bar.emptyImage, x, 5)) << x;
        EXPECT_EQ(pixelAt(target, x, 9), pixelAt(bar.emptyImage, x, 9)) << x;
    }

    // A position change asks for a repaint, the same position does not.
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    UpdateWindow(form.hwnd);
    ValidateRect(bar.hwnd, nullptr);
    bar.setPosition(50);
    EXPECT_FALSE(GetUpdateRect(bar.hwnd, nullptr, FALSE));
    bar.setPosition(60);
    EXPECT_TRUE(GetUpdateRect(bar.hwnd, nullptr, FALSE));
}

TEST(ProgressBarTest, LosingTheStyleGoesNativeWithTheStoredValues) {
    winui::Form form(nullptr, 300, 100, 0);
    form.setStyle(const_cast<winui::Style*>(&cxStyle()));
    auto* bar = new ProgressBar(&form);
    MoveWindow(bar->hwnd, 10, 10, 200, 10, FALSE);
    bar->setRange(10);
    bar->setPosition(42);
    const int32_t id = bar->id;

    form.setStyle(nullptr);
    EXPECT_EQ(className(bar->hwnd), L"msctls_progress32");
    EXPECT_EQ(windowStyle(bar->hwnd) & PBS_SMOOTH, static_cast<uint32_t>(PBS_SMOOTH));
    EXPECT_EQ(bar->paintFlags, 0u);
    EXPECT_TRUE(bar->fullImage.isEmpty());
    EXPECT_TRUE(bar->emptyImage.isEmpty());
    EXPECT_EQ(GetWindowLongPtrW(bar->hwnd, GWLP_ID), id);
    EXPECT_EQ(bar->bounds(), Rect(10, 10, 210, 20));
    const NativeState native = nativeState(bar->hwnd);
    EXPECT_EQ(native.low, 10);
    EXPECT_EQ(native.high, 100);
    EXPECT_EQ(native.position, 42);

    form.setStyle(const_cast<winui::Style*>(&cxStyle()));
    EXPECT_EQ(className(bar->hwnd), winui::childWindowClass);
    EXPECT_EQ(windowStyle(bar->hwnd) & PBS_SMOOTH, 0u);
    EXPECT_EQ(bar->fullImage.width(), 200);
}

TEST(ProgressBarTest, ResizingAndRestylingKeepsNoGdiObjects) {
    winui::Form form(nullptr, 300, 100, 0);
    form.setStyle(const_cast<winui::Style*>(&cxStyle()));
    auto* bar = new ProgressBar(&form);
    MoveWindow(bar->hwnd, 0, 0, 100, 10, FALSE);
    bar->setRange(0);
    bar->setPosition(30);
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    // The toolkit's own counts run everywhere; the platform's GDI count only where it is kept.
    const int bitmapsBefore = winui::Image::liveBitmaps();
    const int dcsBefore = winui::Canvas::ownedDcs();
    for (int i = 0; i < 40; ++i) {
        MoveWindow(bar->hwnd, 0, 0, 100 + i, 10 + i % 3, FALSE);
        form.setStyle(i % 2 ? const_cast<winui::Style*>(&cxStyle()) : nullptr);
    }
    form.setStyle(const_cast<winui::Style*>(&cxStyle()));
    MoveWindow(bar->hwnd, 0, 0, 100, 10, FALSE);
    // Squeezed to nothing there is no surface to render; the bar then paints nothing.
    MoveWindow(bar->hwnd, 0, 0, 0, 0, FALSE);
    EXPECT_TRUE(bar->fullImage.isEmpty());
    Image target;
    ASSERT_TRUE(target.createBlank(4, 4));
    bar->paint(*target.canvas(), Rect(0, 0, 4, 4));
    MoveWindow(bar->hwnd, 0, 0, 100, 10, FALSE);
    EXPECT_EQ(bar->fullImage.width(), 100);
    target.release();
    EXPECT_EQ(winui::Image::liveBitmaps(), bitmapsBefore);
    EXPECT_EQ(winui::Canvas::ownedDcs(), dcsBefore);
    const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before != 0) {
        EXPECT_LE(after, before);
    }
}
