#include "filter_tool/ui/SiftonFileChooser.h"

#include "core/tests/TestFiles.h"
#include "core/util/StringUtils.h"
#include "ui_toolkit/Form.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

// The save dialog is modal: a thread timer served by its loop plays the user. Each tick acts
// on the visible dialog (the file dialog, or the question it leads to) with the next step.
struct Step {
    const wchar_t* typedName; // put in the file name field first, or null
    WORD button;
};
// The dialog's file name field: a combo box in the explorer-style dialog, an edit in the old one.
constexpr int kNameCombo = 0x047C;
constexpr int kNameEdit = 0x0480;

std::vector<Step> steps;
size_t stepsDone = 0;
std::vector<std::wstring> questions;

BOOL CALLBACK actOnDialog(HWND window, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (std::wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    const Step step = stepsDone < steps.size() ? steps[stepsDone] : Step{nullptr, IDCANCEL};
    ++stepsDone;
    wchar_t text[1024] = {};
    if (GetDlgItemTextW(window, 0xFFFF, text, 1024))
        questions.push_back(text);
    if (step.typedName) {
        SetDlgItemTextW(window, kNameCombo, step.typedName);
        SetDlgItemTextW(window, kNameEdit, step.typedName);
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(step.button, BN_CLICKED), 0);
    return FALSE;
}

void CALLBACK onTick(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), actOnDialog, 0);
}

bool chooseOutputWith(std::vector<Step> script, std::wstring& path) {
    steps = std::move(script);
    stepsDone = 0;
    questions.clear();
    winui::Form owner(nullptr, 200, 100, 0);
    SiftonFileChooser chooser;
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, onTick);
    const bool chosen = chooser.chooseOutput(owner, path);
    KillTimer(nullptr, timer);
    return chosen;
}

// "memory" typed beside memory.tmx is saved as memory.tmx: the save asks first, and No goes
// back to the dialog.
TEST(SiftonFileChooserTest, SavingOverAFileNamedOnlyWithTheAddedExtensionAsksFirst) {
    testfiles::TempDir folder;
    const std::wstring existing = folder.file(L"memory.tmx");
    ASSERT_TRUE(testfiles::writeText(existing, "<tmx/>"));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.path().c_str()));

    std::wstring path;
    EXPECT_FALSE(chooseOutputWith({{L"memory", IDOK}, {nullptr, IDNO}, {nullptr, IDCANCEL}}, path));
    EXPECT_TRUE(path.empty());
    ASSERT_EQ(1u, questions.size());
    EXPECT_NE(std::wstring::npos, toLowerCase(questions[0]).find(L"memory.tmx")) << questions[0];
    EXPECT_EQ("<tmx/>", testfiles::readText(existing));

    EXPECT_TRUE(chooseOutputWith({{L"memory", IDOK}, {nullptr, IDYES}}, path));
    EXPECT_EQ(toLowerCase(existing), toLowerCase(path));
    // A new name is taken without a question.
    EXPECT_TRUE(chooseOutputWith({{L"fresh", IDOK}}, path));
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(toLowerCase(folder.file(L"fresh.tmx")), toLowerCase(path));
    SetCurrentDirectoryW(previous);
}

} // namespace
