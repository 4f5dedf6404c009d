#include "viewer/TmxViewerForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/tests/TestFiles.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/CheckBox.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Menu.h"
#include "ui_toolkit/Toolkit.h"
#include "ui_toolkit/WindowCapture.h"
#include "ui_toolkit/tests/DialogScript.h"
#include "ui_toolkit/tests/RealInput.h"
#include "viewer/TmxEntryDetailsForm.h"
#include "viewer/TmxViewerResultsBox.h"
#include "viewer/TmxViewerSettingsForm.h"
#include "viewer/UpdateChecker.h"
#include "viewer/ViewerCommands.h"
#include "viewer/tests/ClipboardTestSupport.h"
#include "viewer/tests/FakeProvider.h"
#include "viewer/tests/UpdateTestSupport.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {


// A provider whose searches wait until the test opens the gate, so that a window test sees the
// search while it runs.
class GatedProvider : public viewertest::FakeProvider {
public:
    GatedProvider() : gate(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}
    ~GatedProvider() override { CloseHandle(gate); }
    int search(const std::wstring& language, const std::vector<SegmentElement>& include,
               const std::vector<SegmentElement>& exclude, uint32_t budget, bool& strongMatch,
               SearchResults& results) override {
        WaitForSingleObject(gate, 20000);
        return FakeProvider::search(language, include, exclude, budget, strongMatch, results);
    }
    const HANDLE gate;
};

// Real input through the system's queue, then time for it to arrive.
void settleInput() {
    for (int i = 0; i < 20; ++i) {
        pumpQueued();
        Sleep(10);
    }
}

void typeText(const std::wstring& text) {
    for (const wchar_t unit : text) {
        INPUT keys[2] = {};
        for (INPUT& key : keys) {
            key.type = INPUT_KEYBOARD;
            key.ki.wScan = unit;
            key.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
    }
    settleInput();
}

void pressKey(WORD key) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = key;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    settleInput();
}

void clickCentre(HWND window) {
    RECT box = {};
    GetClientRect(window, &box);
    POINT at = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    ClientToScreen(window, &at);
    SetCursorPos(at.x, at.y);
    INPUT buttons[2] = {};
    buttons[0].type = buttons[1].type = INPUT_MOUSE;
    buttons[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    buttons[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, buttons, sizeof(INPUT));
    settleInput();
}

// The main window with the windows it opens: the entry details, the settings and the update
// check's announcement.
class TmxViewerFormWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearProxyEnvironment();
        resetSettings();
        Localization::instance().setLanguage(L"English");
        form = std::make_unique<TmxViewerForm>();
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        form->setPrompts(std::move(scripted));
    }

    void TearDown() override {
        form.reset();
        pumpQueued();
        resetSettings();
        EXPECT_TRUE(winui::modalForms.empty());
    }

    // The update check asks the server instead of the build's endpoint.
    void aimUpdateCheck(const LoopbackHttpServer& server) {
        form->setUpdateChecker(std::make_unique<UpdateChecker>(*form, server.url(L""), Settings::global(),
                                                              dir.file(L"Varnel.cfg")));
        form->updateChecker().seams.showMessage = [this](const std::wstring& text, const std::wstring&, UINT) {
            boxes.push_back(text);
            return IDNO;
        };
    }

    testfiles::TempDir dir{L"viewer-windows"};
    std::unique_ptr<TmxViewerForm> form;
    ScriptedPrompts* prompts = nullptr;
    std::vector<std::wstring> boxes;
};

TEST_F(TmxViewerFormWindowsTest, ViewEntryShowsTheEntryUnderTheClick) {
    pumpQueued();
    const std::wstring sample = copySample(dir.path());
    form->load(sample);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->provider(); }, 30000));
    form->searchField()->setText(L"file");
    SendMessageW(form->searchField()->hwnd, WM_CHAR, 13, 1);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000));
    ASSERT_FALSE(form->resultsBox()->results().empty());

    // A click below the last result views nothing.
    form->resultsBox()->pressedRow = static_cast<int32_t>(form->resultsBox()->results().size() * 2);
    form->prepareContextMenu();
    form->viewEntry();
    EXPECT_FALSE(IsWindowVisible(form->detailsForm()->hwnd));

    form->resultsBox()->pressedRow = 1;
    form->prepareContextMenu();
    const uint32_t id = form->resultsBox()->results()[0].entryId;
    ASSERT_EQ(form->currentEntry(), static_cast<int32_t>(id));
    form->viewEntry();
    EXPECT_TRUE(IsWindowVisible(form->detailsForm()->hwnd));
    const TmxEntry* entry = form->provider()->readEntry(id);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(form->detailsForm()->sourceSegment->text(),
              renderSegmentXml(findSegment(*entry, entry->sourceLanguage).segment));
    EXPECT_EQ(form->detailsForm()->offsetValue->text(), std::to_wstring(form->provider()->entryOffset(id)));
    EXPECT_EQ(form->detailsForm()->languageList->selectedText(), L"de-DE");

    // Ctrl+C in a segment edit copies its selection, not the results' selection.
    SetForegroundWindow(form->detailsForm()->hwnd);
    SetFocus(form->detailsForm()->sourceSegment->hwnd);
    SendMessageW(form->detailsForm()->sourceSegment->hwnd, EM_SETSEL, 0, 4);
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(form->detailsForm()->sourceSegment->hwnd, WM_KEYDOWN, 'C', 0x002E0001);
    PostMessageW(form->detailsForm()->sourceSegment->hwnd, WM_KEYUP, 'C', static_cast<LPARAM>(0xC02E0001u));
    pumpQueued();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(clipboardUnicodeText(), form->detailsForm()->sourceSegment->text().substr(0, 4));

    // Another file opened: the shown entry is a copy and stays.
    form->load(sample);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000));
    EXPECT_EQ(form->detailsForm()->languageList->selectedText(), L"de-DE");
}

TEST_F(TmxViewerFormWindowsTest, SettingsOpenModalOverTheDisabledWindowAndApplyOnOk) {
    pumpQueued();
    ShowWindow(form->hwnd, SW_SHOWNORMAL);
    form->showSettings();
    EXPECT_FALSE(IsWindowEnabled(form->hwnd));
    EXPECT_TRUE(IsWindowVisible(form->settingsForm()->hwnd));
    EXPECT_EQ(winui::topModalForm(), form->settingsForm());
    form->settingsForm()->cancel();
    pumpQueued();
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_FALSE(IsWindowVisible(form->languageList()->hwnd));

    form->showSettings();
    SendMessageW(form->settingsForm()->options[TmxViewerSettingsForm::OptionAlwaysShowLanguage]->hwnd,
                 BM_SETCHECK, BST_CHECKED, 0);
    form->settingsForm()->accept();
    pumpQueued();
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_TRUE(Settings::global().get<bool>(L"alwaysShowLanguageCombo", false));
    EXPECT_TRUE(IsWindowVisible(form->languageList()->hwnd));
}

TEST_F(TmxViewerFormWindowsTest, TheReadyStepAsksOnceAndShowsTheAnnouncement) {
    LoopbackHttpServer server({updateReply(announcement("2014-06", "Version 1.3 is out.", "http://x.invalid/"))});
    ASSERT_TRUE(server.listening());
    aimUpdateCheck(server);
    pumpQueued(); // the ready step posts the check
    ASSERT_TRUE(pumpUntil([&] { return server.requestCount() == 1 && !form->updateChecker().isRunning(); },
                          20000));
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"Version 1.3 is out. Would you like to learn more?"});
    EXPECT_TRUE(testfiles::exists(dir.file(L"Varnel.cfg")));
    form->onCommand(kCommandStartUpdateCheck); // once per start: the date is stored now
    pumpQueued();
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(TmxViewerFormWindowsTest, ClosingWhileTheCheckWaitsOnTheNetworkEndsCleanly) {
    bool freed = false;
    {
        LoopbackHttpServer server({}, LoopbackHttpServer::Mode::Silent);
        ASSERT_TRUE(server.listening());
        aimUpdateCheck(server);
        form->updateChecker().seams.makeJob = [&freed](const std::wstring& endpoint, const std::wstring& code) {
            return std::unique_ptr<UpdateCheckJob>(new WatchedJob(endpoint, code, freed));
        };
        pumpQueued();
        ASSERT_TRUE(pumpUntil([&] { return server.requestCount() >= 1; }, 20000));
        SendMessageW(form->hwnd, WM_CLOSE, 0, 0);
        form.reset();
        pumpQueued();
        EXPECT_FALSE(freed);
    }
    EXPECT_TRUE(pumpUntil([&] { return freed; }, 30000));
    EXPECT_TRUE(boxes.empty());
}

// A load, then searches as the user starts them: typed into the field and sent with Enter or a
// click on "Search". Each task runs with the window disabled (a load also with the GUI thread's
// priority lowered), a close asked for during a search waits for it, and the window comes back
// enabled with the results.
TEST_F(TmxViewerFormWindowsTest, TasksRunWithTheWindowDisabledAndACloseWaitsForTheSearch) {
    auto gated = std::make_unique<GatedProvider>();
    GatedProvider& provider = *gated;
    provider.addEntry(L"The door is open", L"de-DE", L"Die T\x00fcr ist offen");
    provider.addEntry(L"Close the door", L"de-DE", L"Schlie\x00df" L"e die T\x00fcr");
    provider.searchAnswer = {0, 1};
    form->setLoaderFactory([&gated](const std::wstring&) -> std::unique_ptr<FileLoader> {
        return std::make_unique<ScriptedLoader>(std::vector<ScriptedTick>{{40, false}, {100, true}}, kLoaded,
                                                std::move(gated), nullptr);
    });
    pumpQueued();
    ShowWindow(form->hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(form->hwnd);
    form->load(L"C:\\memories\\doors.tmx");
    ASSERT_TRUE(pumpUntil([&] { return form->loader() != nullptr; }, 5000));
    EXPECT_FALSE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_LOWEST);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->provider(); }, 10000));
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);

    // Typed and sent with Enter.
    SetForegroundWindow(form->hwnd);
    clickCentre(form->searchField()->hwnd);
    typeText(L"door");
    EXPECT_EQ(form->searchField()->text(), L"door");
    pressKey(VK_RETURN);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy() && provider.searchCalls == 1; }, 10000));
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(form->resultsBox()->results().size(), 2u);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
    ASSERT_TRUE(winui::writeWindowPng(form->hwnd, L"viewer_search_done.png"));

    // Sent with a click while the search waits: the window takes no clicks, and a close waits.
    ResetEvent(provider.gate);
    clickCentre(form->searchButton()->hwnd);
    ASSERT_TRUE(pumpUntil([&] { return form->searchJob() != nullptr; }, 5000));
    EXPECT_FALSE(IsWindowEnabled(form->hwnd));
    clickCentre(form->searchButton()->hwnd);
    ASSERT_TRUE(winui::writeWindowPng(form->hwnd, L"viewer_search_running.png"));
    SendMessageW(form->hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(form->hwnd));
    EXPECT_TRUE(form->closePending());
    SetEvent(provider.gate);
    ASSERT_TRUE(pumpUntil([&] { return !IsWindow(form->hwnd); }, 10000));
    EXPECT_FALSE(form->searchJob());
    EXPECT_EQ(provider.searchCalls, 2);
}

// The pool refuses the job: a search gives the window back with the focus in the search field,
// and an export says that it failed, with a real message box over the window, and writes
// nothing.
TEST_F(TmxViewerFormWindowsTest, ASearchOrExportThePoolRefusesGivesTheWindowBack) {
    pumpQueued();
    ShowWindow(form->hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(form->hwnd);
    form->load(copySample(dir.path()));
    ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->provider(); }, 30000));
    clickCentre(form->searchField()->hwnd);
    typeText(L"file");
    pressKey(VK_RETURN);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000));
    const size_t shown = form->resultsBox()->results().size();
    ASSERT_GT(shown, 0u);

    int refused = 0;
    form->setJobQueue([&refused](Job*) {
        ++refused;
        return false;
    });

    // The search: the button is clicked, nothing runs, and the user can type again at once.
    SetFocus(form->hwnd);
    clickCentre(form->searchButton()->hwnd);
    EXPECT_EQ(refused, 1);
    EXPECT_FALSE(form->busy());
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(GetFocus(), form->searchField()->hwnd);
    EXPECT_EQ(form->resultsBox()->results().size(), shown);
    ASSERT_TRUE(winui::writeWindowPng(form->hwnd, L"viewer_search_refused.png"));

    // The export, chosen from the results' menu, with the real save dialog and message box.
    form->setPrompts(std::make_unique<ViewerPrompts>());
    const std::wstring target = dir.file(L"refused.tmx");
    DeleteFileW(target.c_str());
    bool boxShot = false;
    winuitest::DialogScript dialogs(
        {winuitest::DialogScript::fileName(target),
         {winuitest::DialogScript::MessageBox, [&boxShot](winuitest::DialogScript& script, HWND box) {
              RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
              boxShot = winui::writeWindowPng(GetDesktopWindow(), L"viewer_export_refused.png");
              winuitest::DialogScript::press(IDOK).act(script, box);
          }}});
    // The results' menu runs its own loop: a step there clicks the item once the menu shows.
    const UINT exportItem = form->menuItem(TmxViewerForm::kItemExportResults)->id;
    const HMENU menu = form->contextMenu()->handle;
    bool chosen = false;
    realinput::ModalScript menuClick({[&] {
        for (int i = 0; FindWindowW(L"#32768", nullptr) && i < GetMenuItemCount(menu); ++i) {
            RECT item = {};
            if (GetMenuItemID(menu, i) != exportItem || !GetMenuItemRect(nullptr, menu, i, &item))
                continue;
            SetCursorPos((item.left + item.right) / 2, (item.top + item.bottom) / 2);
            realinput::sendButton(false, true);
            realinput::sendButton(false, false);
            chosen = true;
        }
        return chosen;
    }});
    RECT grid = {};
    GetClientRect(form->resultsBox()->hwnd, &grid);
    realinput::rightClick(form->resultsBox()->hwnd, grid.right / 2, form->resultsBox()->rowHeight(0) / 2);
    ASSERT_TRUE(pumpUntil([&] { return dialogs.remaining() == 0; }, 15000));
    settleInput();
    EXPECT_TRUE(chosen);
    EXPECT_EQ(refused, 2);
    EXPECT_TRUE(boxShot);
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_EQ(dialogs.texts[0], Localization::instance().getString(L"ErrorWritingFile"));
    EXPECT_FALSE(form->busy());
    EXPECT_FALSE(form->progressPopup());
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(GetFocus(), form->searchField()->hwnd);
    EXPECT_EQ(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(winui::writeWindowPng(form->hwnd, L"viewer_export_refused_after.png"));
}

} // namespace
