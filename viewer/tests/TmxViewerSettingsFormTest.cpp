#include "viewer/TmxViewerSettingsForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsConsumer.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/CheckBox.h"
#include "ui_toolkit/ColorRect.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/Tab.h"
#include "ui_toolkit/TabControl.h"
#include "ui_toolkit/Toolkit.h"
#include "ui_toolkit/tests/ControlProbe.h"
#include "viewer/tests/SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

int32_t selected(const winui::ComboBox* list) {
    return static_cast<int32_t>(SendMessageW(list->hwnd, CB_GETCURSEL, 0, 0));
}

class TmxViewerSettingsFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        Localization::instance().setLanguage(L"English");
        owner_ = std::make_unique<winui::Form>(nullptr, 300, 200, 0);
        form_ = std::make_unique<TmxViewerSettingsForm>(owner_.get(), settings_);
        form_->seams.chooseColor = [this](CHOOSECOLORW& block) {
            ++colorDialogs_;
            if (!pickedColor_)
                return false;
            block.rgbResult = pickedColor_;
            return true;
        };
        form_->seams.chooseFont = [this](winui::FontDialog& dialog) {
            if (pickedFont_.isNull())
                return false;
            dialog.setFont(pickedFont_);
            return true;
        };
    }
    void TearDown() override {
        if (IsWindowVisible(form_->hwnd))
            form_->cancel();
        holdKeys({});
        form_.reset();
        owner_.reset();
        Localization::instance().setLanguage(L"English");
        pumpMessages();
        EXPECT_TRUE(winui::modalForms.empty());
    }

    void show() {
        form_->showModal();
        pumpMessages();
    }

    void press(const winui::Button* button) {
        SendMessageW(button->hwnd, BM_CLICK, 0, 0);
        pumpMessages();
    }

    void key(HWND target, WPARAM key) {
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        pumpMessages();
    }

    void type(winui::Edit* edit, const std::wstring& text) {
        SetFocus(edit->hwnd);
        SendMessageW(edit->hwnd, EM_SETSEL, 0, -1);
        SendMessageW(edit->hwnd, WM_CLEAR, 0, 0);
        for (wchar_t c : text)
            SendMessageW(edit->hwnd, WM_CHAR, c, 1);
    }

    Settings settings_;
    std::unique_ptr<winui::Form> owner_;
    std::unique_ptr<TmxViewerSettingsForm> form_;
    COLORREF pickedColor_ = 0;
    winui::Font pickedFont_;
    int colorDialogs_ = 0;
};

TEST_F(TmxViewerSettingsFormTest, AShowingReflectsTheStoredValuesOnTheFirstTab) {
    settings_.set<winui::Font>(L"font", winui::Font(L"Courier New", 12, 0));
    settings_.set<unsigned long>(L"resultsTextColor", 0x112233);
    settings_.set<unsigned long>(L"resultsBgColor1", 0x445566);
    settings_.set<int>(L"matchedTextStyle", 1);
    settings_.set<int>(L"tmColorMode", 5);
    settings_.set<int>(L"maxSearchResults", 60);
    settings_.set<bool>(L"showTags", false);
    settings_.set<bool>(L"instantCopyText", true);
    settings_.set<std::wstring>(L"UILanguage", L"Deutsch");
    settings_.set<std::wstring>(L"UIStyle", L"CX");
    form_->tabControl->selectTab(form_->pages[TmxViewerSettingsForm::PageAdvanced]);
    show();

    EXPECT_EQ(form_->tabControl->selectedTab(), form_->pages[TmxViewerSettingsForm::PageFontsAndColors]);
    EXPECT_TRUE(IsWindowVisible(form_->pages[TmxViewerSettingsForm::PageFontsAndColors]->hwnd));
    EXPECT_EQ(form_->mainFontLabel->text(), L"Courier New, 12");
    // Unset, the member column font shows the font the results box uses for it.
    EXPECT_EQ(form_->memberFontLabel->text(), L"Courier New, 12");
    EXPECT_EQ(faceOf(form_->mainFontLabel->font), L"Courier New");
    EXPECT_EQ(form_->swatches[TmxViewerSettingsForm::SwatchText]->color, 0x112233u);
    EXPECT_EQ(form_->swatches[TmxViewerSettingsForm::SwatchBackground1]->color, 0x445566u);
    EXPECT_EQ(selected(form_->matchedStyleList), 1);
    EXPECT_EQ(selected(form_->colorModeList), 5);
    EXPECT_EQ(form_->maximumEdit->text(), L"60");
    const bool checks[] = {true, false, false, true, false};
    for (int i = 0; i < TmxViewerSettingsForm::kOptionCount; ++i)
        EXPECT_EQ(form_->options[i]->isChecked(), checks[i]) << i;
    EXPECT_EQ(form_->languageList->selectedText(), L"Deutsch");
    EXPECT_EQ(form_->styleList->selectedText(), L"CX");
    EXPECT_EQ(form_->text(), L"Settings");
}

TEST_F(TmxViewerSettingsFormTest, ValuesOutsideTheListsShowTheDefaultEntries) {
    settings_.set<int>(L"matchedTextStyle", 9);
    settings_.set<int>(L"tmColorMode", -1);
    settings_.set<std::wstring>(L"UILanguage", L"Klingon");
    settings_.set<std::wstring>(L"UIStyle", L"Gone");
    show();
    EXPECT_EQ(selected(form_->matchedStyleList), 3);
    EXPECT_EQ(selected(form_->colorModeList), 0);
    EXPECT_EQ(selected(form_->languageList), 0);
    EXPECT_EQ(form_->styleList->selectedText(), L"System");
    const std::vector<std::wstring> styles = winui::styleNames();
    EXPECT_EQ(selected(form_->styleList), static_cast<int32_t>(styles.size()));

    press(form_->okButton);
    EXPECT_EQ(settings_.get<int>(L"matchedTextStyle", -1), 3);
    EXPECT_EQ(settings_.get<int>(L"tmColorMode", -1), 0);
    EXPECT_EQ(settings_.get<std::wstring>(L"UIStyle", L""), L"System");
}

TEST_F(TmxViewerSettingsFormTest, OkStoresFifteenKeysAndTellsEachConsumerOnce) {
    CountingConsumer consumer(settings_);
    for (const wchar_t* key : {L"font", L"resultsBgColor2", L"showTags", L"UIStyle", L"tmColFont"})
        consumer.trackSetting(key);
    show();
    SendMessageW(form_->options[TmxViewerSettingsForm::OptionShowTags]->hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
    press(form_->okButton);
    EXPECT_FALSE(IsWindowVisible(form_->hwnd));
    EXPECT_EQ(consumer.notices, 1);
    EXPECT_EQ(settings_.typedValues().size(), 15u);
    EXPECT_FALSE(settings_.get<bool>(L"showTags", true));
    EXPECT_EQ(settings_.get<int>(L"maxSearchResults", 0), 25);
    // Stored as shown: the member column font is the one the box already uses.
    EXPECT_EQ(faceOf(settings_.get<winui::Font>(L"tmColFont", winui::Font())),
              faceOf(settings_.get<winui::Font>(L"font", winui::Font())));
}

TEST_F(TmxViewerSettingsFormTest, TheMaximumIsStoredAsANumberOfAtLeastOne) {
    struct Case {
        const wchar_t* typed;
        const wchar_t* shown;
        int stored;
    };
    const Case cases[] = {
        {L"abc", L"abc", 25},
        {L"-5", L"-5", 25},
        {L"0", L"0", 25},
        {L"12", L"12", 12},
        {L"123456789", L"12345678", 12345678},
    };
    for (const Case& c : cases) {
        show();
        type(form_->maximumEdit, c.typed);
        EXPECT_EQ(form_->maximumEdit->text(), c.shown);
        key(form_->maximumEdit->hwnd, VK_RETURN);
        EXPECT_FALSE(IsWindowVisible(form_->hwnd)) << testing::PrintToString(std::wstring(c.typed));
        EXPECT_EQ(settings_.get<int>(L"maxSearchResults", -1), c.stored)
            << testing::PrintToString(std::wstring(c.typed));
    }
}

TEST_F(TmxViewerSettingsFormTest, CancelAndEscapeStoreNothingAndTheNextShowingReloads) {
    settings_.set<int>(L"maxSearchResults", 40);
    pickedColor_ = 0x0000FF;
    pickedFont_ = winui::Font(L"Courier New", 20, 0);
    for (int way = 0; way < 2; ++way) {
        show();
        type(form_->maximumEdit, L"99");
        SendMessageW(form_->options[TmxViewerSettingsForm::OptionInstantCopy]->hwnd, BM_SETCHECK, BST_CHECKED, 0);
        form_->swatches[TmxViewerSettingsForm::SwatchText]->onMouseDown(2, 2, 0);
        EXPECT_EQ(form_->swatches[TmxViewerSettingsForm::SwatchText]->color, 0x0000FFu);
        press(form_->mainFontButton);
        EXPECT_EQ(form_->mainFontLabel->text(), L"Courier New, 20");
        if (way == 0)
            press(form_->cancelButton);
        else
            key(form_->maximumEdit->hwnd, VK_ESCAPE);
        EXPECT_FALSE(IsWindowVisible(form_->hwnd)) << way;
        EXPECT_EQ(settings_.typedValues().size(), 1u) << way;

        show();
        EXPECT_EQ(form_->maximumEdit->text(), L"40") << way;
        EXPECT_FALSE(form_->options[TmxViewerSettingsForm::OptionInstantCopy]->isChecked()) << way;
        EXPECT_NE(form_->swatches[TmxViewerSettingsForm::SwatchText]->color, 0x0000FFu) << way;
        EXPECT_NE(form_->mainFontLabel->text(), L"Courier New, 20") << way;
        form_->cancel();
    }
}

TEST_F(TmxViewerSettingsFormTest, TheReleaseOfAKeyPressedElsewhereAnswersNothing) {
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        show();
        // The key went down in the menu that opened the window; only its release arrives here.
        PostMessageW(form_->maximumEdit->hwnd, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        pumpMessages();
        EXPECT_TRUE(IsWindowVisible(form_->hwnd)) << key;
        EXPECT_TRUE(settings_.typedValues().empty()) << key;
        form_->cancel();
    }
}

TEST_F(TmxViewerSettingsFormTest, CancelledDialogsChangeNothing) {
    show();
    const COLORREF before = form_->swatches[TmxViewerSettingsForm::SwatchBackground2]->color;
    const std::wstring font = form_->memberFontLabel->text();
    form_->swatches[TmxViewerSettingsForm::SwatchBackground2]->onMouseDown(2, 2, 0);
    press(form_->memberFontButton);
    EXPECT_EQ(colorDialogs_, 1);
    EXPECT_EQ(form_->swatches[TmxViewerSettingsForm::SwatchBackground2]->color, before);
    EXPECT_EQ(form_->memberFontLabel->text(), font);
}

TEST_F(TmxViewerSettingsFormTest, AnotherStyleBringsItsOwnColours) {
    settings_.set<std::wstring>(L"UIStyle", L"CX");
    pickedColor_ = 0x0000FF;
    show();
    form_->swatches[TmxViewerSettingsForm::SwatchBackground1]->onMouseDown(2, 2, 0);
    ASSERT_EQ(form_->swatches[TmxViewerSettingsForm::SwatchBackground1]->color, 0x0000FFu);
    const int32_t system = static_cast<int32_t>(SendMessageW(form_->styleList->hwnd, CB_GETCOUNT, 0, 0)) - 1;
    SendMessageW(form_->styleList->hwnd, CB_SETCURSEL, static_cast<WPARAM>(system), 0);
    press(form_->okButton);
    const ResultsColors colors = resultsColorsOf(nullptr);
    EXPECT_EQ(settings_.get<unsigned long>(L"resultsTextColor", 0), colors.text);
    EXPECT_EQ(settings_.get<unsigned long>(L"resultsBgColor1", 0), colors.background1);
    EXPECT_EQ(settings_.get<unsigned long>(L"resultsBgColor2", 0), colors.background2);
    EXPECT_EQ(settings_.get<std::wstring>(L"UIStyle", L""), L"System");

    // The same style again keeps a picked colour.
    show();
    form_->swatches[TmxViewerSettingsForm::SwatchBackground1]->onMouseDown(2, 2, 0);
    press(form_->okButton);
    EXPECT_EQ(settings_.get<unsigned long>(L"resultsBgColor1", 0), 0x0000FFu);
}

TEST_F(TmxViewerSettingsFormTest, OkSwitchesTheInterfaceLanguage) {
    show();
    const std::vector<std::wstring>& names = Localization::instance().languageNames();
    int32_t german = -1;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == L"Deutsch")
            german = static_cast<int32_t>(i);
    ASSERT_GE(german, 0);
    SendMessageW(form_->languageList->hwnd, CB_SETCURSEL, static_cast<WPARAM>(german), 0);
    press(form_->okButton);
    EXPECT_EQ(Localization::instance().currentLanguageName(), L"Deutsch");
    EXPECT_EQ(settings_.get<std::wstring>(L"UILanguage", L""), L"Deutsch");
    EXPECT_EQ(form_->text(), Localization::instance().getString(L"SettingsDialogTitle"));
    EXPECT_EQ(form_->okButton->text(), Localization::instance().getString(L"OK"));
}

TEST_F(TmxViewerSettingsFormTest, ACloseRequestHidesUntilTheProgramCloses) {
    show();
    SendMessageW(form_->hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(form_->hwnd));
    EXPECT_FALSE(IsWindowVisible(form_->hwnd));
    EXPECT_TRUE(settings_.typedValues().empty());
    form_->closing = true;
    const HWND window = form_->hwnd;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
