#include "ui_toolkit/Button.h"

#include "ui_toolkit/Form.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/tests/EventCounter.h"
#include "ui_toolkit/tests/WindowPixels.h"

#include <gtest/gtest.h>

#include <string>

using winui::Button;
using winui::Rect;
using namespace window_pixels;

namespace {

winui::Style* cxStyle() {
    return winui::getStyle(L"CX");
}

// A button whose window answers the keyboard cue query itself: the platform under the tests
// keeps no cue state, so a hidden focus cue has to be stated here.
struct CueButton : Button {
    using Button::Button;
    void onMessage(winui::Message& message) override {
        if (message.message == WM_QUERYUISTATE && hideFocusCue) {
            message.result = UISF_HIDEFOCUS;
            message.handled = true;
        }
    }
    bool hideFocusCue = false;
};

constexpr uint32_t kNativeButton = 0x54010000u;
constexpr uint32_t kOwnerDrawn = 0x5401000Bu;

} // namespace

TEST(ButtonTest, StyleSwitchesRecreateTheWindowKeepingIdTextBoundsAndEvents) {
    ASSERT_NE(cxStyle(), nullptr);
    winui::Form form(nullptr, 300, 200, 0);
    auto* button = new Button(&form);
    MoveWindow(button->hwnd, 20, 30, 100, 28, FALSE);
    button->setText(L"Go");
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    EventCounter clicks;
    clicks.holder.connect(button->clicked, &clicks, &EventCounter::fired);
    const int32_t id = button->id;

    struct Step {
        const char* what;
        winui::Style* style;
        bool makeDefault;
        uint32_t windowStyle;
        uint32_t paintFlags;
    } const steps[] = {
        {"native", nullptr, false, kNativeButton, 0},
        {"skinned", cxStyle(), false, kOwnerDrawn, winui::EraseSwallow},
        {"native again", nullptr, false, kNativeButton, 0},
        // The default mark lives on through both kinds of button.
        {"native default", nullptr, true, kNativeButton | BS_DEFPUSHBUTTON, 0},
        {"skinned default", cxStyle(), true, kOwnerDrawn, winui::EraseSwallow},
        {"native default again", nullptr, true, kNativeButton | BS_DEFPUSHBUTTON, 0},
    };
    int expectedClicks = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        button->setDefault(step.makeDefault);
        form.setStyle(step.style);
        ASSERT_NE(button->hwnd, nullptr);
        EXPECT_EQ(className(button->hwnd), L"Button");
        EXPECT_EQ(windowStyle(button->hwnd), step.windowStyle);
        EXPECT_EQ(button->paintFlags, step.paintFlags);
        EXPECT_EQ(button->id, id);
        EXPECT_EQ(GetDlgCtrlID(button->hwnd), id);
        EXPECT_EQ(form.childIds.at(id), button);
        EXPECT_EQ(registeredControl(button->hwnd), button);
        EXPECT_EQ(GetParent(button->hwnd), form.hwnd);
        EXPECT_EQ(button->text(), L"Go");
        EXPECT_EQ(button->bounds(), Rect(20, 30, 120, 58));
        EXPECT_EQ(button->isDefault(), step.makeDefault);

        SendMessageW(button->hwnd, BM_CLICK, 0, 0);
        pumpMessages();
        EXPECT_EQ(clicks.count, ++expectedClicks);
    }
}

TEST(ButtonTest, OwnerDrawnStatesShowTheirElements) {
    winui::Style* cx = cxStyle();
    ASSERT_NE(cx, nullptr);
    winui::Form form(nullptr, 300, 120, 0);
    form.setStyle(cx);
    auto* button = new CueButton(&form);
    auto* other = new Button(&form);
    const Rect place(20, 20, 160, 52);
    MoveWindow(button->hwnd, place.left, place.top, place.width(), place.height(), FALSE);
    MoveWindow(other->hwnd, 20, 70, 140, 32, FALSE);
    button->setText(L"OK");
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(form.hwnd);

    // Only the colours of the left border columns and of the fill beside the text tell the
    // states apart; the text itself is never compared.
    const Rect fill = offset(Rect(6, 8, 30, 24), place.left, place.top);
    const Rect firstColumn = offset(Rect(0, 8, 1, 24), place.left, place.top);
    const Rect secondColumn = offset(Rect(1, 8, 2, 24), place.left, place.top);

    enum Focus { Elsewhere, CuesShown, CuesHidden };
    struct Case {
        const char* state;
        bool pressed;
        bool enabled;
        Focus focus;
        bool isDefault;
        int32_t element;
    } const cases[] = {
        {"normal", false, true, Elsewhere, false, winui::kElementButton},
        {"default", false, true, Elsewhere, true, winui::kElementButtonDefault},
        {"pressed", true, true, Elsewhere, false, winui::kElementButtonPressed},
        {"disabled", false, false, Elsewhere, false, winui::kElementButtonDisabled},
        {"disabled and pressed", true, false, Elsewhere, false, winui::kElementButtonDisabled},
        {"focused, cues shown", false, true, CuesShown, false, winui::kElementButtonFocused},
        {"focused, cues hidden", false, true, CuesHidden, false, winui::kElementButton},
        {"default, focused, cues hidden", false, true, CuesHidden, true, winui::kElementButtonDefault},
        {"pressed while focused", true, true, CuesShown, false, winui::kElementButtonPressed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        EnableWindow(button->hwnd, TRUE);
        button->setDefault(c.isDefault);
        SetFocus(c.focus == Elsewhere ? other->hwnd : button->hwnd);
        button->hideFocusCue = c.focus == CuesHidden;
        SendMessageW(button->hwnd, BM_SETSTATE, c.pressed ? TRUE : FALSE, 0);
        EnableWindow(button->hwnd, c.enabled ? TRUE : FALSE);

        const winui::Image shot = capture(form.hwnd);
        ASSERT_FALSE(shot.isEmpty());
        EXPECT_EQ(regionMismatch(shot, fill, elementFill(*cx, c.element)), "");
        EXPECT_EQ(regionMismatch(shot, firstColumn, elementPixel(*cx, c.element, 0, 8)), "");
        EXPECT_EQ(regionMismatch(shot, secondColumn, elementPixel(*cx, c.element, 1, 8)), "");
    }
}

TEST(ButtonTest, BufferIsRenewedOnlyAfterAResize) {
    ASSERT_NE(cxStyle(), nullptr);
    winui::Form form(nullptr, 300, 120, 0);
    form.setStyle(cxStyle());
    auto* button = new Button(&form);
    EXPECT_TRUE(button->buffer.isEmpty());
    MoveWindow(button->hwnd, 10, 10, 90, 26, FALSE);
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    UpdateWindow(form.hwnd);
    ASSERT_FALSE(button->buffer.isEmpty());
    EXPECT_EQ(button->buffer.width(), 90);
    EXPECT_EQ(button->buffer.height(), 26);
    const HBITMAP first = button->buffer.bitmap();

    InvalidateRect(button->hwnd, nullptr, FALSE);
    UpdateWindow(button->hwnd);
    EXPECT_EQ(button->buffer.bitmap(), first);

    MoveWindow(button->hwnd, 10, 10, 120, 30, TRUE);
    UpdateWindow(button->hwnd);
    EXPECT_NE(button->buffer.bitmap(), first);
    EXPECT_EQ(button->buffer.width(), 120);
    EXPECT_EQ(button->buffer.height(), 30);
}

TEST(ButtonTest, TextIsCentredByTheOverridableRectangle) {
    // A subclass that lays out its own text is asked for the rectangle on every draw.
    struct Shifted : Button {
        using Button::Button;
        Rect centeredTextRect(winui::Canvas& canvas, const std::wstring& text, const Rect& rect) override {
            ++asked;
            lastText = text;
            return Button::centeredTextRect(canvas, text, rect);
        }
        int asked = 0;
        std::wstring lastText;
    };
    ASSERT_NE(cxStyle(), nullptr);
    winui::Form form(nullptr, 300, 120, 0);
    form.setStyle(cxStyle());
    auto* button = new Shifted(&form);
    button->setText(L"Save");
    MoveWindow(button->hwnd, 10, 10, 90, 26, FALSE);
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    UpdateWindow(form.hwnd);
    EXPECT_GE(button->asked, 1);
    EXPECT_EQ(button->lastText, L"Save");
}
