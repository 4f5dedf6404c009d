#include "ui_toolkit/ProgressPopup.h"

#include "core/l10n/Localization.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

#include <string>

using winui::ProgressPopup;
using winui::Rect;

namespace {

bool visible(HWND window) {
    return (windowStyle(window) & WS_VISIBLE) != 0;
}

} // namespace

TEST(ProgressPopupTest, HiddenPopupCentredOnItsOwnerWithLabelAndBar) {
    winui::Form owner(nullptr, 200, 100, 0);
    MoveWindow(owner.hwnd, 100, 100, 400, 300, FALSE);
    ASSERT_EQ(owner.bounds(), Rect(100, 100, 500, 400));

    ProgressPopup* popup = new ProgressPopup(&owner);
    ASSERT_NE(popup->hwnd, nullptr);
    EXPECT_EQ(className(popup->hwnd), winui::windowClass);
    // The platform gives every top-level window WS_CLIPSIBLINGS of its own.
    EXPECT_EQ(windowStyle(popup->hwnd) & ~static_cast<uint32_t>(WS_CLIPSIBLINGS), 0x82400000u);
    EXPECT_FALSE(visible(popup->hwnd));
    EXPECT_EQ(GetWindow(popup->hwnd, GW_OWNER), owner.hwnd);
    EXPECT_EQ(popup->bounds(), Rect(135, 210, 465, 290));

    ASSERT_NE(popup->label, nullptr);
    ASSERT_NE(popup->bar, nullptr);
    EXPECT_EQ(className(popup->label->hwnd), L"Static");
    EXPECT_EQ(windowStyle(popup->label->hwnd), 0x54000081u);
    EXPECT_EQ(popup->bar->minimum, 0);
    EXPECT_EQ(popup->bar->maximum, 100);
    const int32_t clientWidth = popup->clientRect().width();
    EXPECT_EQ(popup->label->bounds(), Rect(10, 25, clientWidth - 10, 49));
    EXPECT_EQ(popup->bar->bounds(), Rect(10, 55, clientWidth - 10, 65));
    EXPECT_EQ(popup->label->anchors, winui::AnchorLeft | winui::AnchorTop | winui::AnchorRight);
    EXPECT_EQ(popup->bar->anchors, winui::AnchorLeft | winui::AnchorRight | winui::AnchorBottom);

    // What the owner shows while its job runs: a localised text and the job's percent.
    Localization strings;
    const std::string file =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<localized-strings language=\"English\" langcode=\"en\">"
        "<string id=\"IndexingPleaseWait\">Indexing, please wait...</string>"
        "</localized-strings>";
    ASSERT_TRUE(strings.addStringsFile(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
    strings.chooseStartLanguage(L"English");
    popup->label->setText(strings.getString(L"IndexingPleaseWait"));
    popup->bar->setPosition(37);
    EXPECT_EQ(popup->label->text(), L"Indexing, please wait...");
    EXPECT_EQ(popup->bar->position, 37);

    // Wider popup: the label and the bar stretch with it and the bar keeps to the bottom.
    const Rect before = popup->bounds();
    MoveWindow(popup->hwnd, before.left, before.top, before.width() + 40, before.height() + 20, FALSE);
    EXPECT_EQ(popup->label->bounds(), Rect(10, 25, clientWidth + 30, 49));
    EXPECT_EQ(popup->bar->bounds(), Rect(10, 75, clientWidth + 30, 85));

    // Deleting the popup takes its children's windows along.
    const HWND popupWindow = popup->hwnd;
    const HWND labelWindow = popup->label->hwnd;
    delete popup;
    EXPECT_FALSE(IsWindow(popupWindow));
    EXPECT_FALSE(IsWindow(labelWindow));
}

TEST(ProgressPopupTest, DeletingTheOwnerLeavesNoPopupBehind) {
    auto* owner = new winui::Form(nullptr, 200, 100, 0);
    auto* popup = new ProgressPopup(owner);
    ShowWindow(popup->hwnd, SW_SHOWNORMAL);
    const HWND popupWindow = popup->hwnd;
    const HWND barWindow = popup->bar->hwnd;
    ASSERT_TRUE(IsWindowVisible(popupWindow));
    delete owner;
    EXPECT_FALSE(IsWindow(popupWindow));
    EXPECT_FALSE(IsWindow(barWindow));
    EXPECT_EQ(registeredControl(popupWindow), nullptr);
}

TEST(ProgressPopupTest, TimerTwoHundredShowsThePopupOnce) {
    winui::Form owner(nullptr, 200, 100, 0);
    ProgressPopup* popup = new ProgressPopup(&owner);
    popup->onTimer(7);
    EXPECT_FALSE(visible(popup->hwnd));

    SetTimer(popup->hwnd, ProgressPopup::kShowTimer, 10, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return visible(popup->hwnd); }));
    // The timer is gone: a popup hidden again stays hidden.
    ShowWindow(popup->hwnd, SW_HIDE);
    Sleep(50);
    pumpMessages();
    EXPECT_FALSE(visible(popup->hwnd));
}

TEST(ProgressPopupTest, StyledPopupErasesWithTheFormBody) {
    const winui::Style* cx = winui::getStyle(L"CX");
    ASSERT_NE(cx, nullptr);
    winui::Form owner(nullptr, 200, 100, 0);
    ProgressPopup* popup = new ProgressPopup(&owner);
    EXPECT_EQ(popup->paintFlags, 0u);
    owner.setStyle(const_cast<winui::Style*>(cx));
    EXPECT_EQ(popup->style, cx);
    EXPECT_EQ(popup->paintFlags, winui::PaintValidateOnly | winui::EraseThroughErase);
    // The styled bar inside is painted too.
    EXPECT_EQ(className(popup->bar->hwnd), winui::childWindowClass);
    EXPECT_EQ(popup->bar->bounds(), Rect(10, 55, popup->clientRect().width() - 10, 65));

    winui::Image surface;
    ASSERT_TRUE(surface.createBlank(4, 4));
    popup->eraseBackground(surface.canvas()->dc, Rect(0, 0, 4, 4));
    EXPECT_EQ(GetPixel(surface.canvas()->dc, 2, 2), cx->color(winui::kColorFormBody));

    owner.setStyle(nullptr);
    EXPECT_EQ(popup->paintFlags, 0u);
}
