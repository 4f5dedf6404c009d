#include "ui_toolkit/FontDialog.h"

#include <gtest/gtest.h>

#include <cstring>

using winui::Font;
using winui::FontDialog;

namespace {

// The chooser is modal; a thread timer, served by the dialog's own message loop, presses a
// button for the test. Should the dialog not close on the first press, later ticks cancel.
UINT_PTR pressTimer = 0;
WORD pressButton = IDCANCEL;
int ticks = 0;

BOOL CALLBACK pressOnDialog(HWND window, LPARAM button) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (std::wcscmp(cls, L"#32770") == 0 && IsWindowVisible(window)) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button), BN_CLICKED), 0);
    }
    return TRUE;
}

void CALLBACK onPressTimer(HWND, UINT, UINT_PTR, DWORD) {
    ++ticks;
    const WORD button = ticks == 1 ? pressButton : IDCANCEL;
    EnumThreadWindows(GetCurrentThreadId(), pressOnDialog, button);
}

bool runDialog(FontDialog& dialog, WORD button) {
    pressButton = button;
    ticks = 0;
    pressTimer = SetTimer(nullptr, 0, 300, onPressTimer);
    const bool result = dialog.show();
    KillTimer(nullptr, pressTimer);
    return result;
}

// A Wine whose desktop was started without a display refuses every top-level window.
bool canCreateWindows() {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (!probe) return false;
    DestroyWindow(probe);
    return true;
}

class FontDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = winui::screenDpiY;
        winui::screenDpiY = 96;
    }
    void TearDown() override { winui::screenDpiY = saved_; }

private:
    int32_t saved_ = 0;
};

} // namespace

TEST_F(FontDialogTest, CancelLeavesTheFontAsItWas) {
    FontDialog dialog(nullptr, Font(L"Tahoma", 10.0f, winui::FontItalic));
    const HFONT before = dialog.font().handle();
    EXPECT_FALSE(runDialog(dialog, IDCANCEL));
    EXPECT_EQ(dialog.font().handle(), before);
}

TEST_F(FontDialogTest, OkReplacesTheFontByTheChoice) {
    if (!canCreateWindows()) GTEST_SKIP() << "no window can be created on this desktop";
    FontDialog dialog(nullptr, Font(L"Tahoma", 10.0f, 0));
    const HFONT before = dialog.font().handle();
    ASSERT_TRUE(runDialog(dialog, IDOK));
    EXPECT_FALSE(dialog.font().isNull());
    EXPECT_NE(dialog.font().handle(), before);
    std::wstring face;
    float size = 0;
    uint16_t style = 0;
    dialog.font().describe(face, size, style);
    EXPECT_FALSE(face.empty());
    EXPECT_GT(size, 0.0f);
}
