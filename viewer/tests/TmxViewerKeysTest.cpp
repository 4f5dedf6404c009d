// The viewer's windows worked as a user works them: real key presses and clicks through the
// system's input queue, the platform's own dialogs and message boxes, and a look at what the
// windows show afterwards (PNG files in the build folder).

#include "viewer/TmxViewerForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/tests/LoopbackHttpServer.h"
#include "core/tests/TestFiles.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Menu.h"
#include "ui_toolkit/ProgressPopup.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/TabControl.h"
#include "ui_toolkit/tests/RealInput.h"
#include "viewer/TmxEntryDetailsForm.h"
#include "viewer/TmxViewerResultsBox.h"
#include "viewer/TmxViewerSettingsForm.h"
#include "viewer/UpdateChecker.h"
#include "viewer/ViewerCommands.h"
#include "viewer/tests/UpdateTestSupport.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using realinput::clickCentre;
using realinput::pressKey;
using realinput::pumpFor;
using realinput::typeTextAndWait;

int comboSelection(const winui::ComboBox* list) {
    return static_cast<int>(SendMessageW(list->hwnd, CB_GETCURSEL, 0, 0));
}

bool comboDropped(const winui::ComboBox* list) {
    return SendMessageW(list->hwnd, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

// A click on a drop-down list's field (its window is as tall as the open list).
void clickCombo(const winui::ComboBox* list) {
    RECT r = {};
    GetClientRect(list->hwnd, &r);
    const int fieldHeight = static_cast<int>(SendMessageW(list->hwnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    realinput::clickAndWait(list->hwnd, r.right / 2, fieldHeight > 0 ? fieldHeight / 2 + 2 : 8);
}

bool isAbove(HWND upper, HWND lower) {
    for (HWND window = GetWindow(lower, GW_HWNDPREV); window; window = GetWindow(window, GW_HWNDPREV)) {
        if (window == upper)
            return true;
    }
    return false;
}

// A loader that runs until the test lets it end, with the result it is given.
class HeldLoader : public FileLoader {
public:
    HeldLoader(bool& release, LoadCode result) : release_(release), result_(result) {}
    void start() override {}
    int loadProgress() override { return 0; }
    bool hasEnded() override { return release_; }
    LoadCode resultCode() override { return release_ ? result_ : kLoadNotEnded; }
    std::unique_ptr<TmxEntryProvider> takeProvider() override { return nullptr; }

private:
    bool& release_;
    LoadCode result_;
};

class TmxViewerKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSettings();
        Localization::instance().setLanguage(L"English");
        form = std::make_unique<TmxViewerForm>();
        pumpQueued();
        // Small enough that a few results overflow the results box.
        SetWindowPos(form->hwnd, nullptr, 100, 100, 460, 260, SWP_NOZORDER);
        ShowWindow(form->hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(form->hwnd);
        pumpFor(200);
    }

    void TearDown() override {
        form.reset();
        pumpFor(100);
        resetSettings();
    }

    void openSample() {
        folder = makeScratchFolder(L"viewer-keys");
        sample = copySample(folder);
        form->load(sample);
        ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->provider(); }, 30000));
        pumpFor(100);
    }

    // Clicks into the search field, types the query and presses Return.
    void searchByKeys(const std::wstring& query) {
        clickCentre(form->searchField()->hwnd);
        typeTextAndWait(query);
        pressKey(VK_RETURN);
        ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000));
        pumpFor(100);
    }

    std::unique_ptr<TmxViewerForm> form;
    std::wstring folder;
    std::wstring sample;
};

// After a search that finds hits the next query is typed at once, with no click first.
TEST_F(TmxViewerKeysTest, AfterASearchWithHitsTheSearchFieldHasTheFocus) {
    openSample();
    EXPECT_EQ(GetFocus(), form->searchField()->hwnd);
    searchByKeys(L"file");
    ASSERT_FALSE(form->resultsBox()->results().empty());
    EXPECT_EQ(GetFocus(), form->searchField()->hwnd);
    typeTextAndWait(L"Index");
    EXPECT_EQ(form->searchField()->text(), L"Index");
    EXPECT_TRUE(realinput::screenshot(form->hwnd, L"viewer_focus_after_search.png"));
}

// The main window's shortcuts act only for keys meant for it: not for the language list's
// arrows and Escape, nor for keys pressed in the details window.
TEST_F(TmxViewerKeysTest, ShortcutsLeaveTheKeysOfListsAndOtherWindowsAlone) {
    openSample();
    ASSERT_TRUE(IsWindowVisible(form->languageList()->hwnd));
    searchByKeys(L"file");
    ASSERT_GE(form->resultsBox()->results().size(), 3u);
    // From the search field Down and Up scroll the results.
    pressKey(VK_DOWN);
    ASSERT_EQ(form->resultsBox()->topRow, 1) << "the results must overflow for this test";
    pressKey(VK_UP);
    ASSERT_EQ(form->resultsBox()->topRow, 0);

    // Down on the focused language list (reached with Tab) chooses the next language.
    pressKey(VK_TAB);
    pressKey(VK_TAB);
    ASSERT_EQ(GetFocus(), form->languageList()->hwnd);
    ASSERT_EQ(comboSelection(form->languageList()), 0);
    pressKey(VK_DOWN);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000));
    EXPECT_EQ(comboSelection(form->languageList()), 1);

    // Escape with the list open closes the list; the window stays as it is.
    clickCombo(form->languageList());
    ASSERT_TRUE(comboDropped(form->languageList()));
    pressKey(VK_ESCAPE);
    EXPECT_FALSE(comboDropped(form->languageList()));
    EXPECT_FALSE(IsIconic(form->hwnd));
    EXPECT_TRUE(realinput::screenshot(form->hwnd, L"viewer_language_list_after_escape.png"));

    // In the details window the segment edit keeps its keys, and Escape there leaves the main
    // window alone.
    ASSERT_FALSE(form->resultsBox()->results().empty());
    // The first result's entry, as a context-menu click on its first row chooses it.
    form->resultsBox()->pressedRow = 0;
    form->prepareContextMenu();
    ASSERT_EQ(form->currentEntry(), static_cast<int32_t>(form->resultsBox()->results()[0].entryId));
    form->resultsBox()->pressedRow = -1;
    form->viewEntry();
    pumpFor(200);
    ASSERT_TRUE(IsWindowVisible(form->detailsForm()->hwnd));
    clickCentre(form->detailsForm()->sourceSegment->hwnd);
    ASSERT_EQ(GetFocus(), form->detailsForm()->sourceSegment->hwnd);
    const int32_t top = form->resultsBox()->topRow;
    pressKey(VK_DOWN);
    EXPECT_EQ(form->resultsBox()->topRow, top);
    pressKey(VK_ESCAPE);
    EXPECT_FALSE(IsIconic(form->hwnd));
    EXPECT_TRUE(IsWindowVisible(form->detailsForm()->hwnd));
    EXPECT_TRUE(realinput::screenshot(form->detailsForm()->hwnd, L"viewer_details_after_escape.png"));
    clickCentre(form->detailsForm()->closeButton->hwnd);
    EXPECT_FALSE(IsWindowVisible(form->detailsForm()->hwnd));

    // Escape meant for the main window still minimises it.
    SetForegroundWindow(form->hwnd);
    pumpFor(100);
    clickCentre(form->searchField()->hwnd);
    pressKey(VK_ESCAPE);
    EXPECT_TRUE(IsIconic(form->hwnd));
    ShowWindow(form->hwnd, SW_RESTORE);
}

// Return and Escape that close an open drop-down in the settings window act on the list only:
// the window stays open with every edit the user made.
TEST_F(TmxViewerKeysTest, ReturnAndEscapeInAnOpenDropDownLeaveTheSettingsWindowOpen) {
    form->showSettings();
    pumpFor(200);
    TmxViewerSettingsForm* settingsForm = form->settingsForm();
    ASSERT_TRUE(IsWindowVisible(settingsForm->hwnd));
    settingsForm->tabControl->selectTab(settingsForm->pages[TmxViewerSettingsForm::PageResults]);
    pumpFor(100);
    clickCentre(settingsForm->maximumEdit->hwnd);
    pressKey(VK_END);
    typeTextAndWait(L"0");
    const std::wstring edited = settingsForm->maximumEdit->text();
    ASSERT_EQ(edited, L"250");

    winui::ComboBox* list = settingsForm->colorModeList;
    const int before = comboSelection(list);
    clickCombo(list);
    ASSERT_TRUE(comboDropped(list));
    pressKey(before == 0 ? VK_DOWN : VK_UP);
    pressKey(VK_RETURN);
    EXPECT_FALSE(comboDropped(list));
    EXPECT_NE(comboSelection(list), before);
    EXPECT_TRUE(IsWindowVisible(settingsForm->hwnd));

    clickCombo(list);
    ASSERT_TRUE(comboDropped(list));
    pressKey(VK_ESCAPE);
    EXPECT_FALSE(comboDropped(list));
    EXPECT_TRUE(IsWindowVisible(settingsForm->hwnd));
    EXPECT_EQ(settingsForm->maximumEdit->text(), edited);
    EXPECT_TRUE(realinput::screenshot(settingsForm->hwnd, L"viewer_settings_after_dropdown_keys.png"));

    // Return outside a list is the window's OK: the edits are stored.
    clickCentre(settingsForm->maximumEdit->hwnd);
    pressKey(VK_RETURN);
    EXPECT_FALSE(IsWindowVisible(settingsForm->hwnd));
    EXPECT_EQ(Settings::global().get<int>(L"maxSearchResults", 0), 250);
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
}

// One click on OK or Cancel answers the settings window, the first time it opens as well.
TEST_F(TmxViewerKeysTest, OneClickOnOkOrCancelClosesTheSettingsWindow) {
    // As the program starts: in its own style, whose buttons are painted.
    form->inheritStyle = false;
    form->setStyle(winui::getStyle(L"CX"));
    pumpFor(100);
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        form->showSettings();
        pumpFor(300);
        TmxViewerSettingsForm* settingsForm = form->settingsForm();
        ASSERT_TRUE(IsWindowVisible(settingsForm->hwnd));
        clickCentre((ok ? settingsForm->okButton : settingsForm->cancelButton)->hwnd);
        pumpFor(200);
        EXPECT_FALSE(IsWindowVisible(settingsForm->hwnd));
        EXPECT_TRUE(IsWindowEnabled(form->hwnd));
        if (IsWindowVisible(settingsForm->hwnd))
            settingsForm->cancel();
        pumpFor(100);
    }

    // Opened as a user opens it, from the results' context menu, the window takes the first
    // click on OK as well.
    realinput::ModalScript chooseSettings({
        [&] {
            if (!FindWindowW(L"#32768", nullptr))
                return false;
            // Up from no choice is the last item, "Settings".
            realinput::sendKey(VK_UP, true);
            realinput::sendKey(VK_UP, false);
            return true;
        },
        [&] {
            realinput::sendKey(VK_RETURN, true);
            realinput::sendKey(VK_RETURN, false);
            return true;
        },
    });
    RECT box = {};
    GetClientRect(form->resultsBox()->hwnd, &box);
    realinput::rightClick(form->resultsBox()->hwnd, box.right / 2, box.bottom / 2);
    EXPECT_TRUE(chooseSettings.finish());
    ASSERT_TRUE(pumpUntil([&] { return IsWindowVisible(form->settingsForm()->hwnd) != FALSE; }, 5000));
    pumpFor(300);
    EXPECT_TRUE(realinput::screenshot(form->settingsForm()->hwnd, L"viewer_settings_from_menu.png"));
    clickCentre(form->settingsForm()->okButton->hwnd);
    pumpFor(200);
    EXPECT_FALSE(IsWindowVisible(form->settingsForm()->hwnd));
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    if (IsWindowVisible(form->settingsForm()->hwnd))
        form->settingsForm()->cancel();
}

// A load that fails leaves nothing open, so the language list of the previous file goes.
TEST_F(TmxViewerKeysTest, AFailedLoadEmptiesTheLanguageList) {
    openSample();
    ASSERT_GT(SendMessageW(form->languageList()->hwnd, CB_GETCOUNT, 0, 0), 1);
    const std::wstring damaged = folder + L"\\damaged.tmx";
    ASSERT_TRUE(testfiles::writeText(damaged, ""));

    // The open dialog of the context menu's "Open", a typed name and Return; then Return on
    // the error box.
    std::wstring boxText;
    realinput::ModalScript script({
        [&] {
            if (!realinput::findOwnedDialog(form->hwnd))
                return false;
            realinput::typeText(damaged);
            realinput::sendKey(VK_RETURN, true);
            realinput::sendKey(VK_RETURN, false);
            return true;
        },
        [&] {
            HWND box = realinput::findOwnedDialog(form->hwnd);
            if (!box || GetDlgItem(box, 0x47C) || GetDlgItem(box, 0x480))
                return false;
            wchar_t text[256] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 256);
            boxText = text;
            realinput::screenshotScreen(L"viewer_failed_load_box.png", realinput::unionOf(form->hwnd, box));
            realinput::sendKey(VK_RETURN, true);
            realinput::sendKey(VK_RETURN, false);
            return true;
        },
    });
    form->postCommand(kCommandChooseTmxFile);
    EXPECT_TRUE(script.finish());
    pumpFor(200);
    EXPECT_FALSE(boxText.empty());
    EXPECT_FALSE(form->provider());
    EXPECT_EQ(SendMessageW(form->languageList()->hwnd, CB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(IsWindowVisible(form->languageList()->hwnd));
    EXPECT_TRUE(realinput::screenshot(form->hwnd, L"viewer_after_failed_load.png"));
}

// An announcement that arrives while a file loads lies above the load's progress popup, and
// the window stays disabled until the box is answered, although the load ended before.
TEST_F(TmxViewerKeysTest, AnAnnouncementBoxStaysAboveTheLoadAndKeepsTheWindowDisabled) {
    LoopbackHttpServer server({updateReply(announcement("2031-01", "Version 9 is out.", "see the web site"))});
    ASSERT_TRUE(server.listening());
    testfiles::TempDir settingsFolder{L"viewer-box"};
    form->setUpdateChecker(std::make_unique<UpdateChecker>(*form, server.url(L""), Settings::global(),
                                                          settingsFolder.file(L"Varnel.cfg")));
    // The load's own error is recorded, not shown: the one real box is the announcement.
    form->setPrompts(std::make_unique<ScriptedPrompts>());
    bool released = false;
    form->setLoaderFactory([&](const std::wstring&) { return std::make_unique<HeldLoader>(released, kLoadIndexFailed); });
    // Where the program opens it, in the middle of the screen, as the box is.
    form->centerOnScreen();

    bool boxAbovePopup = false;
    bool disabledAfterLoad = false;
    realinput::ModalScript script(
        {
            // The box is up: a load starts beneath it.
            [&] {
                if (!realinput::findOwnedDialog(form->hwnd))
                    return false;
                form->load(L"C:\\\\memory.tmx");
                return true;
            },
            // Its popup shows; the box stays on top.
            [&] {
                if (!form->progressPopup() || !IsWindowVisible(form->progressPopup()->hwnd))
                    return false;
                pumpFor(300);
                boxAbovePopup = isAbove(realinput::findOwnedDialog(form->hwnd), form->progressPopup()->hwnd);
                realinput::screenshotScreen(L"viewer_announcement_over_load.png",
                                            realinput::unionOf(form->hwnd, realinput::findOwnedDialog(form->hwnd)));
                released = true;
                return true;
            },
            // The load has ended; the window still waits for the announcement, which the user
            // answers with Return.
            [&] {
                if (form->busy())
                    return false;
                disabledAfterLoad = !IsWindowEnabled(form->hwnd);
                realinput::sendKey(VK_RETURN, true);
                realinput::sendKey(VK_RETURN, false);
                return true;
            },
        },
        30000);
    form->updateChecker().start();
    ASSERT_TRUE(pumpUntil([&] { return script.done(); }, 30000));
    ASSERT_TRUE(pumpUntil([&] { return !realinput::findOwnedDialog(form->hwnd); }, 10000));
    pumpFor(300);
    EXPECT_TRUE(boxAbovePopup);
    EXPECT_TRUE(disabledAfterLoad);
    // Answered, the box gives the window back, enabled, with the focus in the search field.
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(GetFocus(), form->searchField()->hwnd);
}

} // namespace
