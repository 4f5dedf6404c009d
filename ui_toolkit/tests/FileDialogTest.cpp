#include "ui_toolkit/FileDialog.h"

#include "core/tests/TestFiles.h"
#include "core/util/StringUtils.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/tests/ControlProbe.h"
#include "ui_toolkit/tests/RealInput.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using winui::FileDialog;

namespace {

// The filter buffer from its start through the closing NUL, as the platform reads it.
std::wstring filterUnits(const FileDialog& dialog) {
    return std::wstring(dialog.filters.data(), dialog.filtersLength + 1);
}

TEST(FileDialogTest, StartsEmpty) {
    FileDialog dialog(nullptr);
    EXPECT_EQ(nullptr, dialog.owner);
    ASSERT_EQ(2048u, dialog.filters.size());
    ASSERT_EQ(512u, dialog.customFilter.size());
    EXPECT_EQ(L'\0', dialog.filters[0]);
    EXPECT_EQ(L'\0', dialog.filters[1]);
    EXPECT_EQ(L'\0', dialog.customFilter[0]);
    EXPECT_EQ(L'\0', dialog.customFilter[1]);
    EXPECT_EQ(0u, dialog.filtersLength);
    EXPECT_TRUE(dialog.extensions.empty());
    EXPECT_TRUE(dialog.fileName.empty());
    EXPECT_EQ(1, dialog.filterIndex);
    EXPECT_EQ(0u, dialog.flags);
}

TEST(FileDialogTest, FiltersAreNulSeparatedPairsWithAClosingNul) {
    FileDialog dialog(nullptr);
    dialog.addFilter(L"TMX files", L"*.tmx", L".tmx");
    dialog.addFilter(L"Text", L"*.txt;*.text", L".txt");
    const std::wstring expected(L"TMX files\0*.tmx\0Text\0*.txt;*.text\0\0", 35);
    EXPECT_EQ(expected, filterUnits(dialog));
    EXPECT_EQ(34u, dialog.filtersLength);
    ASSERT_EQ(2u, dialog.extensions.size());
    EXPECT_EQ(L".tmx", dialog.extensions[0]);
    EXPECT_EQ(L".txt", dialog.extensions[1]);
}

TEST(FileDialogTest, FilterThatDoesNotFitIsDroppedAndTheBufferStaysWhole) {
    FileDialog dialog(nullptr);
    // 1000 + 1000 + 3 fits (2003 <= 2047); the used length becomes 2002.
    dialog.addFilter(std::wstring(1000, L'd'), std::wstring(1000, L'p'), L".a");
    ASSERT_EQ(2002u, dialog.filtersLength);
    // 2002 + 21 + 21 + 3 = 2047 is the most that still fits ...
    dialog.addFilter(std::wstring(21, L'e'), std::wstring(21, L'q'), L".b");
    ASSERT_EQ(2046u, dialog.filtersLength);
    // ... one unit more, or any filter at all now, is refused and changes nothing.
    const std::wstring before = filterUnits(dialog);
    dialog.addFilter(L"", L"", L".c");
    dialog.addFilter(L"x", L"*.x", L".x");
    EXPECT_EQ(2046u, dialog.filtersLength);
    EXPECT_EQ(before, filterUnits(dialog));
    EXPECT_EQ(2u, dialog.extensions.size());
    EXPECT_EQ(L'\0', dialog.filters[2046]);
    EXPECT_EQ(L'\0', dialog.filters[2045]);

    FileDialog other(nullptr);
    other.addFilter(std::wstring(1000, L'd'), std::wstring(1000, L'p'), L".a");
    other.addFilter(std::wstring(22, L'e'), std::wstring(21, L'q'), L".b");
    EXPECT_EQ(2002u, other.filtersLength);
    EXPECT_EQ(1u, other.extensions.size());
}

TEST(FileDialogTest, FilterForNameIsTheFirstExactExtensionMatchElseOne) {
    FileDialog dialog(nullptr);
    dialog.addFilter(L"TMX", L"*.tmx", L".tmx");
    dialog.addFilter(L"Text", L"*.txt", L".txt");
    dialog.addFilter(L"Text again", L"*.txt", L".txt");
    struct Case {
        const wchar_t* path;
        int32_t expected;
    } cases[] = {
        {L"C:\\a\\out.tmx", 1}, {L"C:\\a\\out.txt", 2}, {L"C:\\a\\OUT.TXT", 1},
        {L"C:\\a\\out", 1},     {L"", 1},               {L"x.tmx.txt", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, dialog.filterForName(c.path)) << c.path;
}

TEST(FileDialogTest, PreparedBlockCarriesTheDialogsState) {
    ControlProbe owner;
    ASSERT_NE(nullptr, owner.hwnd);
    FileDialog dialog(&owner);
    dialog.addFilter(L"TMX", L"*.tmx", L".tmx");
    dialog.initialFolder = L"C:\\work";
    dialog.title = L"Export";
    dialog.fileName = L"C:\\work\\out.tmx";
    dialog.filterIndex = 2;
    dialog.flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;

    OPENFILENAMEW block;
    wchar_t buffer[FileDialog::kFileNameSize];
    std::memset(buffer, 0x55, sizeof(buffer));
    dialog.prepare(block, buffer);
    EXPECT_EQ(sizeof(OPENFILENAMEW), block.lStructSize);
    EXPECT_EQ(owner.hwnd, block.hwndOwner);
    EXPECT_EQ(dialog.filters.data(), block.lpstrFilter);
    // An empty custom filter is not handed over: it would stand as a blank entry of the list.
    EXPECT_EQ(nullptr, block.lpstrCustomFilter);
    EXPECT_EQ(0u, block.nMaxCustFilter);
    EXPECT_EQ(2u, block.nFilterIndex);
    EXPECT_EQ(buffer, block.lpstrFile);
    EXPECT_EQ(1024u, block.nMaxFile);
    EXPECT_STREQ(L"C:\\work\\out.tmx", block.lpstrFile);
    EXPECT_STREQ(L"C:\\work", block.lpstrInitialDir);
    EXPECT_STREQ(L"Export", block.lpstrTitle);
    EXPECT_EQ(static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST), block.Flags);
    EXPECT_EQ(nullptr, block.lpstrDefExt);
    EXPECT_EQ(nullptr, block.lpstrFileTitle);
    EXPECT_EQ(nullptr, block.lpfnHook);

    // A custom filter that is kept goes to the dialog with its buffer.
    const wchar_t kept[] = L"Mine\0*.xml\0";
    std::memcpy(dialog.customFilter.data(), kept, sizeof(kept));
    dialog.prepare(block, buffer);
    EXPECT_EQ(dialog.customFilter.data(), block.lpstrCustomFilter);
    EXPECT_EQ(512u, block.nMaxCustFilter);

    // No owner: the desktop; empty strings: none, so the dialog keeps its own caption.
    FileDialog bare(nullptr);
    bare.prepare(block, buffer);
    EXPECT_EQ(GetDesktopWindow(), block.hwndOwner);
    EXPECT_EQ(L'\0', buffer[0]);
    EXPECT_EQ(nullptr, block.lpstrInitialDir);
    EXPECT_EQ(nullptr, block.lpstrTitle);
    EXPECT_EQ(nullptr, block.lpstrFilter);
}

TEST(FileDialogTest, NameTooLongForTheBufferStartsEmpty) {
    FileDialog dialog(nullptr);
    OPENFILENAMEW block;
    wchar_t buffer[FileDialog::kFileNameSize];
    dialog.fileName = std::wstring(1023, L'n');
    dialog.prepare(block, buffer);
    EXPECT_EQ(1023u, wcsnlen(buffer, FileDialog::kFileNameSize));
    dialog.fileName = std::wstring(1024, L'n');
    dialog.prepare(block, buffer);
    EXPECT_EQ(L'\0', buffer[0]);
}

TEST(FileDialogTest, SaveAppliesTheChosenFiltersExtension) {
    struct Case {
        const wchar_t* typed;
        DWORD returnedIndex;
        const wchar_t* expectedName;
        int32_t expectedIndex;
    } cases[] = {
        // An extension typed that one of the filters names stays, and its filter is taken.
        {L"C:\\d\\out.tmx", 2, L"C:\\d\\out.tmx", 1},
        {L"C:\\d\\out.txt", 1, L"C:\\d\\out.txt", 2},
        {L"C:\\d\\Out.TXT", 1, L"C:\\d\\Out.TXT", 2},
        // Otherwise the chosen filter's extension completes or replaces it.
        {L"C:\\d\\out", 2, L"C:\\d\\out.txt", 2},
        {L"C:\\d\\out.doc", 1, L"C:\\d\\out.tmx", 1},
        {L"C:\\d.txt\\out", 1, L"C:\\d.txt\\out.tmx", 1},
        {L"C:\\my.folder\\out", 1, L"C:\\my.folder\\out.tmx", 1},
        // The custom filter (0) or an index beyond the filters keeps the name as typed; the
        // extensionless filter ends every name, so it is the match of last resort.
        {L"C:\\d\\out.txt", 0, L"C:\\d\\out.txt", 2},
        {L"C:\\d\\out.doc", 4, L"C:\\d\\out.doc", 3},
        // The extensionless "All files" filter keeps the typed extension.
        {L"C:\\d\\out.doc", 3, L"C:\\d\\out.doc", 3},
    };
    for (const auto& c : cases) {
        FileDialog dialog(nullptr);
        dialog.addFilter(L"TMX", L"*.tmx", L".tmx");
        dialog.addFilter(L"Text", L"*.txt", L".txt");
        dialog.addFilter(L"All files", L"*.*", L"");
        dialog.acceptSave(c.typed, c.returnedIndex);
        EXPECT_EQ(c.expectedName, dialog.fileName) << c.typed << " " << c.returnedIndex;
        EXPECT_EQ(c.expectedIndex, dialog.filterIndex) << c.typed << " " << c.returnedIndex;
    }
}

TEST(FileDialogTest, OpenTakesTheIndexOrFindsItForTheCustomFilter) {
    FileDialog dialog(nullptr);
    dialog.addFilter(L"TMX", L"*.tmx", L".tmx");
    dialog.addFilter(L"Groups", L"*.plexa", L".plexa");
    dialog.acceptOpen(L"C:\\d\\memory.plexa", 0);
    EXPECT_EQ(L"C:\\d\\memory.plexa", dialog.fileName);
    EXPECT_EQ(2, dialog.filterIndex);
    dialog.acceptOpen(L"C:\\d\\memory.plexa", 1);
    EXPECT_EQ(1, dialog.filterIndex);
    dialog.acceptOpen(L"C:\\d\\notes", 0);
    EXPECT_EQ(1, dialog.filterIndex);
    // The path is read no further than the buffer, even without a NUL in it.
    std::wstring unterminated(FileDialog::kFileNameSize + 8, L'z');
    dialog.acceptOpen(unterminated.c_str(), 1);
    EXPECT_EQ(FileDialog::kFileNameSize, dialog.fileName.size());
}

// The dialogs are modal; a thread timer served by their own loop presses one button on each
// dialog it finds (the file dialog, then any message box it leads to), then cancels the rest.
std::vector<WORD> dialogButtons;
std::size_t dialogPresses = 0;

BOOL CALLBACK pressOnDialog(HWND window, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (std::wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    const WORD button =
        dialogPresses < dialogButtons.size() ? dialogButtons[dialogPresses] : IDCANCEL;
    ++dialogPresses;
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return FALSE;
}

void CALLBACK onDialogTimer(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), pressOnDialog, 0);
}

bool runWithButtons(FileDialog& dialog, bool save, std::vector<WORD> buttons) {
    dialogButtons = std::move(buttons);
    dialogPresses = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 400, onDialogTimer);
    const bool result = save ? dialog.showSave() : dialog.showOpen();
    KillTimer(nullptr, timer);
    return result;
}

bool runWithButton(FileDialog& dialog, bool save, WORD button) {
    return runWithButtons(dialog, save, {button});
}

TEST(FileDialogRunTest, CancelLeavesEverythingAndOkSavesWithTheFiltersExtension) {
    testfiles::TempDir folder;
    FileDialog dialog(nullptr);
    dialog.addFilter(L"TMX", L"*.tmx", L".tmx");
    dialog.addFilter(L"Text", L"*.txt", L".txt");
    dialog.initialFolder = folder.path();
    dialog.fileName = L"out";
    dialog.filterIndex = 2;

    EXPECT_FALSE(runWithButton(dialog, true, IDCANCEL));
    EXPECT_EQ(L"out", dialog.fileName);
    EXPECT_EQ(2, dialog.filterIndex);
    EXPECT_FALSE(runWithButton(dialog, false, IDCANCEL));
    EXPECT_EQ(L"out", dialog.fileName);

    ASSERT_TRUE(runWithButton(dialog, true, IDOK));
    EXPECT_EQ(2, dialog.filterIndex);
    EXPECT_TRUE(endsWith(L"\\out.txt", dialog.fileName)) << dialog.fileName;
}

// The name typed in the dialog is "memory"; the saved file is memory.tmx, which the dialog's own
// overwrite prompt never saw. A No returns to the dialog, a Yes saves.
TEST(FileDialogRunTest, ExtensionPutOnAfterTheDialogAsksBeforeReplacingAnExistingFile) {
    testfiles::TempDir folder;
    const std::wstring existing = folder.path() + L"\\memory.tmx";
    ASSERT_TRUE(testfiles::writeText(existing, "<tmx/>"));
    FileDialog dialog(nullptr);
    dialog.addFilter(L"TMX", L"*.tmx", L".tmx");
    dialog.initialFolder = folder.path();
    dialog.flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    dialog.fileName = L"memory";

    // OK in the dialog, No to replacing, then the reopened dialog is cancelled.
    EXPECT_FALSE(runWithButtons(dialog, true, {IDOK, IDNO, IDCANCEL}));
    EXPECT_EQ(3u, dialogPresses);
    EXPECT_EQ(L"memory", dialog.fileName);

    ASSERT_TRUE(runWithButtons(dialog, true, {IDOK, IDYES}));
    EXPECT_EQ(toLowerCase(existing), toLowerCase(dialog.fileName)) << dialog.fileName;
}

TEST(FileDialogTest, SaveConfirmsAnExistingFinalNameTheDialogDidNotSee) {
    testfiles::TempDir folder;
    const std::wstring dir = folder.path() + L"\\";
    ASSERT_TRUE(testfiles::writeText(dir + L"memory.tmx", "<tmx/>"));
    struct Case {
        const wchar_t* label;
        const wchar_t* typed;
        DWORD returnedIndex;
        DWORD flags;
        const wchar_t* asked; // the final name put to confirmReplace, or null
    } cases[] = {
        {L"extension put on", L"memory", 1, OFN_OVERWRITEPROMPT, L"memory.tmx"},
        {L"extension replaced", L"memory.txt", 1, OFN_OVERWRITEPROMPT, L"memory.tmx"},
        {L"typed as saved: the dialog asked", L"memory.tmx", 1, OFN_OVERWRITEPROMPT, nullptr},
        {L"case aside the same name", L"MEMORY.TMX", 1, OFN_OVERWRITEPROMPT, nullptr},
        {L"final name is new", L"fresh", 1, OFN_OVERWRITEPROMPT, nullptr},
        {L"no prompt wanted", L"memory", 1, 0, nullptr},
        {L"custom filter keeps the name", L"memory", 0, OFN_OVERWRITEPROMPT, nullptr},
    };
    for (const auto& c : cases) {
        for (const bool answer : {false, true}) {
            FileDialog dialog(nullptr);
            dialog.addFilter(L"TMX", L"*.tmx", L".tmx");
            dialog.flags = c.flags;
            dialog.fileName = L"before";
            std::vector<std::wstring> asked;
            dialog.confirmReplace = [&](const std::wstring& path) {
                asked.push_back(path);
                return answer;
            };
            const bool accepted = dialog.acceptSave((dir + c.typed).c_str(), c.returnedIndex);
            if (c.asked) {
                ASSERT_EQ(1u, asked.size()) << c.label;
                EXPECT_EQ(dir + c.asked, asked[0]) << c.label;
                EXPECT_EQ(answer, accepted) << c.label;
                EXPECT_EQ(answer ? dir + c.asked : L"before", dialog.fileName) << c.label;
            } else {
                EXPECT_TRUE(asked.empty()) << c.label;
                EXPECT_TRUE(accepted) << c.label;
            }
        }
    }
}

// What the real dialog shows: its "Files of type" list and how many files its list holds.
struct DialogView {
    int typeCount = -1;
    std::wstring firstType;
    int listed = -1;
};

struct ClassSearch {
    const wchar_t* name;
    HWND found;
};

BOOL CALLBACK visitChild(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ClassSearch*>(param);
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (lstrcmpiW(name, search->name) == 0) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

HWND findDescendant(HWND window, const wchar_t* className) {
    ClassSearch search = {className, nullptr};
    EnumChildWindows(window, visitChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DialogView readDialog(HWND dialog) {
    constexpr int kFileTypeList = 0x470;
    DialogView view;
    if (HWND types = GetDlgItem(dialog, kFileTypeList)) {
        view.typeCount = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
        wchar_t text[128] = {};
        if (SendMessageW(types, CB_GETLBTEXTLEN, 0, 0) < 128)
            SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        view.firstType = text;
    }
    if (HWND list = findDescendant(dialog, L"SysListView32"))
        view.listed = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    return view;
}

// The real dialogs, worked with the keyboard: the open dialog lists the chosen filter's files
// under its own filter names, and a name typed with the other filter's extension is saved so.
TEST(FileDialogKeysTest, TheFilterListFiltersAndATypedExtensionIsKept) {
    testfiles::TempDir folder;
    ASSERT_TRUE(testfiles::writeText(folder.path() + L"\\memory.tmx", "<tmx/>"));
    ASSERT_TRUE(testfiles::writeText(folder.path() + L"\\notes.txt", "notes"));
    winui::Form owner(nullptr, 300, 200, winui::FormCentered);
    ShowWindow(owner.hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(owner.hwnd);
    realinput::pumpFor(100);

    FileDialog open(&owner);
    open.addFilter(L"TMX files", L"*.tmx", L".tmx");
    open.addFilter(L"Text files", L"*.txt", L".txt");
    open.initialFolder = folder.path();
    open.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    DialogView shown;
    bool shotTaken = false;
    {
        realinput::ModalScript script({[&] {
            HWND dialog = realinput::findOwnedDialog(owner.hwnd);
            if (!dialog)
                return false;
            shown = readDialog(dialog);
            if (shown.listed <= 0)
                return false; // the folder is still being read
            shotTaken = realinput::screenshotWithFrame(dialog, L"file_dialog_open.png");
            realinput::sendKey(VK_ESCAPE, true);
            realinput::sendKey(VK_ESCAPE, false);
            return true;
        }});
        EXPECT_FALSE(open.showOpen());
        EXPECT_TRUE(script.done());
    }
    EXPECT_EQ(2, shown.typeCount);
    EXPECT_EQ(L"TMX files", shown.firstType);
    EXPECT_EQ(1, shown.listed) << "only memory.tmx stands under the TMX filter";

    FileDialog save(&owner);
    save.addFilter(L"TMX files", L"*.tmx", L".tmx");
    save.addFilter(L"Text files", L"*.txt", L".txt");
    save.initialFolder = folder.path();
    save.flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    save.filterIndex = 1;
    {
        realinput::ModalScript script({
            [&] {
                if (!realinput::findOwnedDialog(owner.hwnd))
                    return false;
                realinput::typeText(L"results.txt");
                return true;
            },
            [&] {
                shotTaken = shotTaken && realinput::screenshotWithFrame(realinput::findOwnedDialog(owner.hwnd), L"file_dialog_save.png");
                realinput::sendKey(VK_RETURN, true);
                realinput::sendKey(VK_RETURN, false);
                return true;
            },
        });
        ASSERT_TRUE(save.showSave());
        EXPECT_TRUE(script.done());
    }
    EXPECT_TRUE(endsWith(L"\\results.txt", save.fileName)) << save.fileName;
    EXPECT_EQ(2, save.filterIndex);
    EXPECT_TRUE(shotTaken);
}

} // namespace
