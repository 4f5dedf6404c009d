#include "viewer/TmxViewerForm.h"

#include "core/l10n/Localization.h"
#include "tmx_engine/SegmentClipboard.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Menu.h"
#include "ui_toolkit/ProgressPopup.h"
#include "viewer/TmxSearchJob.h"
#include "viewer/TmxViewerResultsBox.h"
#include "viewer/ViewerCommands.h"
#include "viewer/ViewerMain.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring text(const wchar_t* key) {
    return Localization::instance().getString(key);
}

bool visible(const winui::Control* control) {
    return control && (GetWindowLongW(control->hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::wstring clipboardText() {
    std::wstring result;
    if (!OpenClipboard(nullptr))
        return result;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            result = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return result;
}

void clearClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// A key pressed with Ctrl held (or not), as the message loop would deliver it to the window.
void pressKey(HWND window, int key, bool ctrl) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageW(window, WM_KEYDOWN, key, 1);
    SendMessageW(window, WM_KEYUP, key, 0xC0000001);
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
}

bool grayed(const TmxViewerForm& form, int item) {
    return (GetMenuState(form.contextMenu()->handle, form.menuItem(static_cast<TmxViewerForm::MenuItemIndex>(item))->id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

int32_t fieldWidth(const TmxViewerForm& form) {
    return form.searchField()->bounds().width();
}

} // namespace

class TmxViewerFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSettings();
        clearClipboard();
        form = std::make_unique<TmxViewerForm>();
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        form->setPrompts(std::move(scripted));
        form->setLoaderFactory([this](const std::wstring& path) -> std::unique_ptr<FileLoader> {
            loaderPaths.push_back(path);
            if (nextLoader)
                return std::move(nextLoader);
            return std::make_unique<ScriptedLoader>(std::vector<ScriptedTick>{{0, true}}, kLoadIndexFailed, nullptr,
                                                    nullptr);
        });
        // The ready step.
        pumpQueued(&quits);
    }

    void TearDown() override {
        form.reset();
        pumpQueued(&quits);
        resetSettings();
    }

    // Opens the path with the program's own loader thread and waits until it is done.
    void openForReal(const std::wstring& path) {
        form->setLoaderFactory(makeThreadFileLoader);
        form->load(path);
        ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->provider(); }, 30000, &quits));
    }

    void searchFor(const std::wstring& query) {
        form->searchField()->setText(query);
        SendMessageW(form->searchField()->hwnd, WM_CHAR, 13, 1);
        ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000, &quits));
    }

    std::unique_ptr<TmxViewerForm> form;
    ScriptedPrompts* prompts = nullptr;
    std::vector<std::wstring> loaderPaths;
    std::unique_ptr<FileLoader> nextLoader;
    int quits = 0;
};

TEST_F(TmxViewerFormTest, LoadPollShowsProgressThenTakesTheFile) {
    const std::wstring folder = makeScratchFolder(L"viewer-poll");
    const std::wstring sample = copySample(folder);
    std::unique_ptr<TmxEntryProvider> opened = openTmx(sample);
    ASSERT_TRUE(opened);
    nextLoader = std::make_unique<ScriptedLoader>(
        std::vector<ScriptedTick>{{0, false}, {0, false}, {37, false}, {100, false}, {0, true}}, kLoaded,
        std::move(opened), nullptr);
    form->load(sample);
    pumpQueued(&quits);
    ASSERT_TRUE(form->loader());
    EXPECT_FALSE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_LOWEST);

    const struct {
        bool popup;
        const wchar_t* label;
        bool bar;
        int32_t position;
    } ticks[] = {
        {false, nullptr, false, 0},
        {true, L"OpeningFile", false, 0},
        {true, L"IndexingPleaseWait", true, 37},
        {true, L"SavingIndex", false, 37},
        {false, nullptr, false, 0},
    };
    int n = 0;
    for (const auto& t : ticks) {
        SCOPED_TRACE(++n);
        form->onTimer(kLoadPollTimer);
        ASSERT_EQ(form->progressPopup() != nullptr, t.popup);
        if (!t.popup)
            continue;
        EXPECT_TRUE(visible(form->progressPopup()));
        EXPECT_EQ(form->progressPopup()->label->text(), text(t.label));
        EXPECT_EQ(visible(form->progressPopup()->bar), t.bar);
        if (t.bar) {
            EXPECT_EQ(form->progressPopup()->bar->position, t.position);
        }
    }

    // Done: the window holds the file, names it and offers its two target languages.
    EXPECT_FALSE(form->loader());
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
    ASSERT_TRUE(form->provider());
    EXPECT_EQ(form->text(), L"sample");
    EXPECT_EQ(form->sourceLanguage(), L"en-GB");
    EXPECT_EQ(form->languageList()->itemText(0), L"de-DE");
    EXPECT_EQ(form->languageList()->itemText(1), L"fr-FR");
    EXPECT_EQ(form->languageList()->selectedText(), L"de-DE");
    EXPECT_TRUE(visible(form->languageList()));
    EXPECT_EQ(fieldWidth(*form), form->clientRect().width() - 191);
    EXPECT_TRUE(prompts->messages.empty());
}

TEST_F(TmxViewerFormTest, EachFailedLoadSaysWhyAndKeepsTheWindowAsItWas) {
    const struct {
        LoadCode code;
        const wchar_t* key;
    } cases[] = {
        {kLoadIndexOfOtherFormat, L"IncompatibleIndexFile"},
        {kLoadIndexFailed, L"ErrorOpeningFile"},
        {kLoadCannotMap, L"ErrorOpeningFile"},
        {kLoadGroupWithoutEntries, L"ErrorOpeningFile"},
        {kLoadUnsupportedExtension, L"ErrorOpeningFile"},
        // Success without a file to take.
        {kLoaded, L"ErrorOpeningFile"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        form->setText(L"previous");
        prompts->messages.clear();
        nextLoader = std::make_unique<ScriptedLoader>(std::vector<ScriptedTick>{{0, true}}, c.code,
                                                      nullptr, nullptr);
        form->load(L"C:\\memories\\big.tmx");
        pumpQueued(&quits);
        form->onTimer(kLoadPollTimer);
        ASSERT_EQ(prompts->messages.size(), 1u);
        EXPECT_EQ(prompts->messages[0].text, text(c.key));
        EXPECT_EQ(prompts->messages[0].caption, L"Varnel");
        EXPECT_EQ(prompts->messages[0].type, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(form->text(), L"previous");
        EXPECT_FALSE(form->provider());
        EXPECT_FALSE(form->loader());
        EXPECT_FALSE(form->progressPopup());
        EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    }
    // Without a file a search only returns the focus to the field.
    form->search(L"file");
    EXPECT_FALSE(form->searchJob());
}

TEST_F(TmxViewerFormTest, CommandLineAndDialogPaths) {
    // An upper-case extension opens; the dialog's filter index is left alone.
    form->openCommandLinePath(L"C:\\tm\\X.TMX");
    pumpQueued(&quits);
    pumpQueued(&quits);
    ASSERT_EQ(loaderPaths.size(), 1u);
    EXPECT_EQ(loaderPaths[0], L"C:\\tm\\X.TMX");
    form->onTimer(kLoadPollTimer);
    EXPECT_FALSE(Settings::global().contains(L"tmxOpenFileFilterIndex"));

    // A group chosen with filter 2 remembers filter and folder.
    prompts->next = {true, L"D:\\groups\\legal.plexa", 2};
    form->onCommand(kCommandChooseTmxFile);
    pumpQueued(&quits);
    pumpQueued(&quits);
    ASSERT_EQ(loaderPaths.size(), 2u);
    EXPECT_EQ(loaderPaths[1], L"D:\\groups\\legal.plexa");
    EXPECT_EQ(Settings::global().get<int>(L"tmxOpenFileFilterIndex", 0), 2);
    EXPECT_EQ(Settings::global().get<std::wstring>(L"tmxOpenFileInitialDir", L""), L"D:\\groups");
    form->onTimer(kLoadPollTimer);

    // Stored indexes of 0 or less open the dialog on the first filter; a cancel changes nothing.
    const struct {
        int stored;
        int asked;
    } indexes[] = {{0, 1}, {-5, 1}, {2, 2}};
    for (const auto& c : indexes) {
        Settings::global().set<int>(L"tmxOpenFileFilterIndex", c.stored);
        prompts->next = {};
        form->onCommand(kCommandChooseTmxFile);
        EXPECT_EQ(prompts->askedFilterIndex, c.asked) << c.stored;
        EXPECT_EQ(Settings::global().get<int>(L"tmxOpenFileFilterIndex", 0), c.stored);
        EXPECT_EQ(Settings::global().get<std::wstring>(L"tmxOpenFileInitialDir", L""), L"D:\\groups");
    }
    pumpQueued(&quits);
    EXPECT_EQ(loaderPaths.size(), 2u);
    EXPECT_EQ(quits, 0);
}

TEST_F(TmxViewerFormTest, UnsupportedCommandLinePathClosesTheProgram) {
    // A window that is not ready yet keeps the path until its ready step.
    TmxViewerForm starting;
    auto scripted = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts* shown = scripted.get();
    starting.setPrompts(std::move(scripted));
    starting.openCommandLinePath(L"C:\\notes.txt");
    EXPECT_TRUE(starting.openPending());
    EXPECT_FALSE(starting.isReady());
    ASSERT_TRUE(pumpUntil([&] { return quits > 0; }, 5000, &quits));
    EXPECT_TRUE(starting.isReady());
    ASSERT_EQ(shown->messages.size(), 1u);
    EXPECT_EQ(shown->messages[0].text, text(L"UnsupportedFileFormat"));
    // The close stored the window's place.
    EXPECT_TRUE(Settings::global().contains(L"mainFormRect"));

    // From the dialog the same path only says so.
    prompts->next = {true, L"C:\\notes.txt", 1};
    form->onCommand(kCommandChooseTmxFile);
    pumpQueued(&quits);
    ASSERT_EQ(prompts->messages.size(), 1u);
    EXPECT_EQ(prompts->messages[0].text, text(L"UnsupportedFileFormat"));
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(IsWindow(form->hwnd));
}

TEST_F(TmxViewerFormTest, SearchFieldWidthFollowsTheLanguageList) {
    MoveWindow(form->hwnd, 50, 50, 700, 400, TRUE);
    const int32_t width = form->clientRect().width();
    const struct {
        size_t languages;
        bool always;
        bool shown;
        int32_t field;
    } cases[] = {
        {1, false, false, width - 112},
        {2, false, true, width - 191},
        {1, true, true, width - 191},
        {0, false, false, width - 112},
    };
    for (const auto& c : cases) {
        Settings::global().set<bool>(L"alwaysShowLanguageCombo", c.always);
        LanguageMap languages;
        const wchar_t* codes[] = {L"de-DE", L"fr-FR"};
        for (size_t i = 0; i < c.languages; ++i)
            languages[codes[i]] = static_cast<wchar_t>(L'a' + i);
        form->fillLanguageCombo(languages, L"en-GB");
        EXPECT_EQ(visible(form->languageList()), c.shown) << c.languages << c.always;
        EXPECT_EQ(fieldWidth(*form), c.field) << c.languages << c.always;
        // A full layout (a font change) keeps the same widths.
        form->layoutControls();
        EXPECT_EQ(fieldWidth(*form), c.field) << c.languages << c.always;
    }
    // Resizing moves the controls by their anchors.
    MoveWindow(form->hwnd, 50, 50, 800, 500, TRUE);
    EXPECT_EQ(fieldWidth(*form), form->clientRect().width() - 112);
    const winui::Rect box = form->resultsBox()->bounds();
    EXPECT_EQ(box.right, form->clientRect().width() - 12);
    EXPECT_EQ(box.bottom, form->clientRect().height() - 12);
}

TEST_F(TmxViewerFormTest, EscapeMinimisesAVisibleWindowOnly) {
    ShowWindow(form->hwnd, SW_SHOWNA);
    pressKey(form->hwnd, VK_ESCAPE, false);
    EXPECT_TRUE(IsIconic(form->hwnd));
    pressKey(form->hwnd, VK_ESCAPE, false);
    EXPECT_TRUE(IsIconic(form->hwnd));
    ShowWindow(form->hwnd, SW_RESTORE);
    ShowWindow(form->hwnd, SW_HIDE);
    pressKey(form->hwnd, VK_ESCAPE, false);
    EXPECT_FALSE(IsIconic(form->hwnd));
}

TEST_F(TmxViewerFormTest, SearchSelectCopyExportAndReopen) {
    const std::wstring folder = makeScratchFolder(L"viewer-search");
    const std::wstring sample = copySample(folder);
    ShowWindow(form->hwnd, SW_SHOWNA);
    MoveWindow(form->hwnd, 40, 40, 640, 360, TRUE);
    openForReal(sample);
    EXPECT_EQ(form->text(), L"sample");

    searchFor(L"file");
    const std::vector<SearchResult>& results = form->resultsBox()->results();
    ASSERT_FALSE(results.empty());
    EXPECT_LE(results.size(), 25u);
    EXPECT_EQ(form->resultsBox()->rowCount(), static_cast<int32_t>(2 * results.size()));
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));

    // Nothing selected yet: only the export and the two fixed items can be chosen.
    form->resultsBox()->pressedRow = 1;
    form->prepareContextMenu();
    EXPECT_EQ(form->currentEntry(), static_cast<int32_t>(results[0].entryId));
    EXPECT_TRUE(grayed(*form, TmxViewerForm::kItemCopy));
    EXPECT_TRUE(grayed(*form, TmxViewerForm::kItemCopyText));
    EXPECT_FALSE(grayed(*form, TmxViewerForm::kItemViewEntry));
    EXPECT_FALSE(grayed(*form, TmxViewerForm::kItemExportResults));
    EXPECT_FALSE(grayed(*form, TmxViewerForm::kItemOpenTm));
    EXPECT_FALSE(grayed(*form, TmxViewerForm::kItemSettings));

    // A drag across the first row's first words selects them; Ctrl+C copies them.
    const HWND grid = form->resultsBox()->hwnd;
    SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 14));
    SendMessageW(grid, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 14));
    SendMessageW(grid, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 14));
    SendMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(120, 14));
    const Segment selected = form->resultsBox()->selectedElements();
    ASSERT_FALSE(selected.empty());
    pressKey(form->hwnd, 'C', true);
    const std::wstring copied = clipboardText();
    EXPECT_FALSE(copied.empty());
    EXPECT_EQ(copied, renderSegmentText(selected, true, true));
    const TmxEntry* first = form->provider()->readEntry(results[0].entryId);
    ASSERT_NE(first, nullptr);

    form->resultsBox()->pressedRow = form->resultsBox()->rowCount();
    form->prepareContextMenu();
    EXPECT_EQ(form->currentEntry(), -1);
    EXPECT_FALSE(grayed(*form, TmxViewerForm::kItemCopy));
    EXPECT_FALSE(grayed(*form, TmxViewerForm::kItemCopyText));
    EXPECT_TRUE(grayed(*form, TmxViewerForm::kItemViewEntry));

    // Text selected in the search field is what Ctrl+C and Ctrl+Insert copy while it has the focus.
    form->searchField()->setText(L"file index");
    SetFocus(form->searchField()->hwnd);
    SendMessageW(form->searchField()->hwnd, EM_SETSEL, 5, 10);
    const int copyKeys[] = {'C', VK_INSERT};
    for (int key : copyKeys) {
        clearClipboard();
        pressKey(form->searchField()->hwnd, key, true);
        EXPECT_EQ(clipboardText(), L"index") << key;
    }
    // Without a selection in the field the results' selection is copied.
    SendMessageW(form->searchField()->hwnd, EM_SETSEL, 3, 3);
    pressKey(form->searchField()->hwnd, 'C', true);
    EXPECT_EQ(clipboardText(), copied);

    // Scroll keys move the view and leave the selection alone.
    MoveWindow(form->hwnd, 40, 40, 400, 220, TRUE);
    pressKey(form->hwnd, VK_END, true);
    const int32_t bottom = form->resultsBox()->topRow;
    EXPECT_GT(bottom, 0);
    pressKey(form->hwnd, VK_HOME, true);
    EXPECT_EQ(form->resultsBox()->topRow, 0);
    pressKey(form->hwnd, VK_DOWN, false);
    EXPECT_EQ(form->resultsBox()->topRow, 1);
    pressKey(form->hwnd, VK_UP, false);
    EXPECT_EQ(form->resultsBox()->topRow, 0);
    pressKey(form->hwnd, VK_NEXT, true);
    EXPECT_EQ(form->resultsBox()->topRow, bottom);
    pressKey(form->hwnd, VK_PRIOR, true);
    EXPECT_EQ(form->resultsBox()->topRow, 0);
    EXPECT_FALSE(form->resultsBox()->noSelection);

    // An export that cannot be written says so and leaves the window as it was.
    prompts->next = {true, folder + L"\\no such folder\\results.tmx", 1};
    form->exportResults();
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000, &quits));
    ASSERT_EQ(prompts->messages.size(), 1u);
    EXPECT_EQ(prompts->messages[0].text, text(L"ErrorWritingFile"));
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_FALSE(form->progressPopup());
    prompts->messages.clear();

    // Export as TMX, then open the export.
    const std::wstring exported = folder + L"\\results.tmx";
    DeleteFileW(exported.c_str());
    prompts->next = {true, exported, 1};
    form->exportResults();
    EXPECT_EQ(prompts->askedFlags, static_cast<DWORD>(OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT));
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000, &quits));
    EXPECT_FALSE(form->progressPopup());
    EXPECT_TRUE(prompts->messages.empty());
    EXPECT_EQ(Settings::global().get<std::wstring>(L"tmxExportResultsInitialDir", L""), folder);
    const size_t hits = results.size();
    openForReal(exported);
    EXPECT_EQ(form->text(), L"results");
    EXPECT_EQ(form->provider()->entryCount(), hits);
    EXPECT_EQ(form->resultsBox()->rowCount(), 0);
    EXPECT_EQ(form->searchField()->text(), L"");
    DeleteFileW((exported + L".idx").c_str());
    DeleteFileW(exported.c_str());
    DeleteFileW((sample + L".idx").c_str());
    DeleteFileW(sample.c_str());
    RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(quits, 0);
}

TEST_F(TmxViewerFormTest, SaveAsksBeforeReplacingAFileTheExtensionNames) {
    const std::wstring folder = makeScratchFolder(L"viewer-save");
    const std::wstring sample = copySample(folder);
    openForReal(sample);
    searchFor(L"file");
    const std::wstring existing = folder + L"\\results.tmx";
    {
        HANDLE file = CreateFileW(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, "keep", 4, &written, nullptr);
        CloseHandle(file);
    }
    // The user typed "results" under the TMX filter; the platform's prompt saw no such file.
    struct TypedName : ScriptedPrompts {
        std::wstring typed;
        std::vector<std::wstring> asked;
        bool showSave(winui::FileDialog& dialog) override {
            dialog.confirmReplace = [this](const std::wstring& path) {
                asked.push_back(path);
                return false;
            };
            return dialog.acceptSave(typed.c_str(), 1);
        }
    };
    auto typed = std::make_unique<TypedName>();
    typed->typed = folder + L"\\results";
    TypedName* answers = typed.get();
    form->setPrompts(std::move(typed));
    form->exportResults();
    pumpQueued(&quits);
    ASSERT_EQ(answers->asked.size(), 1u);
    EXPECT_EQ(answers->asked[0], existing);
    EXPECT_FALSE(form->exportJob());
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    char kept[8] = {};
    DWORD read = 0;
    HANDLE file = CreateFileW(existing.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ReadFile(file, kept, sizeof kept, &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ(std::string(kept, read), "keep");
    EXPECT_FALSE(Settings::global().contains(L"tmxExportResultsInitialDir"));
    form.reset();
    DeleteFileW(existing.c_str());
    DeleteFileW((sample + L".idx").c_str());
    DeleteFileW(sample.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(TmxViewerFormTest, NoJobLosesItsFileAndCloseWaitsForIt) {
    const std::wstring folder = makeScratchFolder(L"viewer-jobs");
    const std::wstring sample = copySample(folder);
    openForReal(sample);
    TmxEntryProvider* open = form->provider();

    form->search(L"file");
    ASSERT_TRUE(form->searchJob());
    const TmxSearchJob* running = form->searchJob();
    // A message box closing re-enables the window: every start is still refused while the job runs.
    EnableWindow(form->hwnd, TRUE);
    form->search(L"index");
    form->load(sample);
    prompts->next = {true, folder + L"\\results.tmx", 1};
    form->exportResults();
    form->onCommand(kCommandChooseTmxFile);
    EXPECT_EQ(form->searchJob(), running);
    EXPECT_FALSE(form->exportJob());
    EXPECT_FALSE(form->loader());
    EXPECT_EQ(form->provider(), open);

    // A close while the search runs waits for it, then goes through.
    SendMessageW(form->hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(form->hwnd));
    EXPECT_TRUE(form->closePending());
    ASSERT_TRUE(pumpUntil([&] { return quits > 0; }, 30000, &quits));
    EXPECT_FALSE(IsWindow(form->hwnd));
    EXPECT_FALSE(form->searchJob());
    form.reset();
    DeleteFileW((folder + L"\\results.tmx").c_str());
    DeleteFileW((sample + L".idx").c_str());
    DeleteFileW(sample.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(TmxViewerFormTest, CloseDuringALoadStopsTheLoader) {
    bool stopped = false;
    nextLoader = std::make_unique<ScriptedLoader>(std::vector<ScriptedTick>{{12, false}}, kLoaded, nullptr,
                                                  &stopped);
    form->load(L"C:\\memories\\huge.tmx");
    pumpQueued(&quits);
    form->onTimer(kLoadPollTimer);
    ASSERT_TRUE(form->progressPopup());
    SendMessageW(form->hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(form->loader());
    EXPECT_FALSE(form->progressPopup());
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
    ASSERT_TRUE(pumpUntil([&] { return quits > 0; }, 5000, &quits));
    EXPECT_TRUE(prompts->messages.empty());
}

TEST_F(TmxViewerFormTest, StartUpFontAndPlacement) {
    // A first start with an 11-pixel window font stores a 13-pixel "font", which the controls take.
    LOGFONTW small = {};
    small.lfHeight = -11;
    lstrcpyW(small.lfFaceName, L"Tahoma");
    form->setFont(winui::Font::fromLogFont(small));
    applyFontRule(*form);
    LOGFONTW stored = {};
    ASSERT_TRUE(Settings::global().get<winui::Font>(L"font", winui::Font()).getLogFont(stored));
    EXPECT_EQ(stored.lfHeight, -13);
    LOGFONTW field = {};
    ASSERT_TRUE(form->searchField()->font.getLogFont(field));
    EXPECT_EQ(field.lfHeight, -13);

    // A stored font is never replaced.
    LOGFONTW large = small;
    large.lfHeight = -20;
    Settings::global().set<winui::Font>(L"font", winui::Font::fromLogFont(large));
    applyFontRule(*form);
    ASSERT_TRUE(Settings::global().get<winui::Font>(L"font", winui::Font()).getLogFont(stored));
    EXPECT_EQ(stored.lfHeight, -20);

    // Placement: used only when wholly on the desktop.
    mainForm = form.get();
    Settings::global().set<winui::Rect>(L"mainFormRect", winui::Rect(100, 80, 740, 520));
    restoreMainFormPlacement();
    EXPECT_EQ(form->bounds(), winui::Rect(100, 80, 740, 520));
    EXPECT_EQ(fieldWidth(*form), form->clientRect().width() - 112);
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    Settings::global().set<winui::Rect>(
        L"mainFormRect", winui::Rect(desktop.left - 8, desktop.top - 8, desktop.right + 8, desktop.bottom + 8));
    restoreMainFormPlacement();
    EXPECT_EQ(form->bounds(), winui::Rect(100, 80, 740, 520));
    mainForm = nullptr;

    EXPECT_EQ(startShowCommand(false), SW_SHOWNORMAL);
    EXPECT_EQ(startShowCommand(true), SW_SHOWMAXIMIZED);
    // The window keeps the flag current.
    ShowWindow(form->hwnd, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(Settings::global().get<bool>(L"mainFormMaximized", false));
    ShowWindow(form->hwnd, SW_RESTORE);
    EXPECT_FALSE(Settings::global().get<bool>(L"mainFormMaximized", true));

    // Closing always stores the window's place.
    const winui::Rect before = form->bounds();
    Settings::global().clear();
    SendMessageW(form->hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(Settings::global().get<winui::Rect>(L"mainFormRect", winui::Rect()), before);
    pumpUntil([&] { return quits > 0; }, 2000, &quits);
}

TEST_F(TmxViewerFormTest, WhatStartsASearchAndWhatDoesNot) {
    const std::wstring folder = makeScratchFolder(L"viewer-triggers");
    const std::wstring sample = copySample(folder);
    openForReal(sample);

    // A blank query starts nothing.
    for (const wchar_t* blank : {L"", L"  \t "}) {
        form->search(blank);
        EXPECT_FALSE(form->searchJob());
    }

    // The button searches in the chosen language.
    form->searchField()->setText(L" file ");
    SendMessageW(form->searchButton()->hwnd, BM_CLICK, 0, 0);
    ASSERT_TRUE(form->searchJob());
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000, &quits));
    const size_t hits = form->resultsBox()->results().size();
    EXPECT_GT(hits, 0u);

    // Another language searches again; with an empty field it empties the results instead.
    SendMessageW(form->languageList()->hwnd, CB_SETCURSEL, 1, 0);
    ASSERT_TRUE(form->searchJob());
    EXPECT_EQ(form->searchJob()->targetLanguage(), L"fr-FR");
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000, &quits));
    EXPECT_EQ(form->resultsBox()->results().size(), hits);
    form->searchField()->setText(L"");
    SendMessageW(form->languageList()->hwnd, CB_SETCURSEL, 0, 0);
    EXPECT_FALSE(form->searchJob());
    EXPECT_EQ(form->resultsBox()->rowCount(), 0);

    // A paste searches only when "autoSearchPastedText" is on.
    putClipboardText(L"index");
    for (bool autoSearch : {false, true}) {
        Settings::global().set<bool>(L"autoSearchPastedText", autoSearch);
        form->searchField()->setText(L"");
        SendMessageW(form->searchField()->hwnd, WM_PASTE, 0, 0);
        EXPECT_EQ(form->searchField()->text(), L"index");
        EXPECT_EQ(form->searchJob() != nullptr, autoSearch);
        ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000, &quits));
    }
    EXPECT_GT(form->resultsBox()->rowCount(), 0);

    // With "instantCopyText" on, the end of a drag puts the selection on the clipboard.
    Settings::global().set<bool>(L"instantCopyText", true);
    clearClipboard();
    const HWND grid = form->resultsBox()->hwnd;
    SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 14));
    SendMessageW(grid, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(90, 14));
    SendMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(90, 14));
    const Segment selected = form->resultsBox()->selectedElements();
    ASSERT_FALSE(selected.empty());
    EXPECT_EQ(clipboardText(), renderSegmentText(selected, true, true));

    form.reset();
    DeleteFileW((sample + L".idx").c_str());
    DeleteFileW(sample.c_str());
    RemoveDirectoryW(folder.c_str());
}
