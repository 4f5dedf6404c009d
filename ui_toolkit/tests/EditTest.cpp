#include "ui_toolkit/Edit.h"

#include "ui_toolkit/Form.h"
#include "ui_toolkit/tests/EventCounter.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

#include <string>

using winui::Edit;

namespace {

// Sends a key as the message loop would hand it over: the key-down, then the character that
// TranslateMessage makes of it, if any.
void typeKey(HWND window, int key, const std::vector<int>& held, wchar_t character) {
    holdKeys(held);
    SendMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(key), 1);
    if (character)
        SendMessageW(window, WM_CHAR, static_cast<WPARAM>(character), 1);
    SendMessageW(window, WM_KEYUP, static_cast<WPARAM>(key), 0xC0000001);
    holdKeys({});
}

std::pair<int, int> selection(HWND window) {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
}

} // namespace

TEST(EditTest, CtrlASelectsAllButNotWithShift) {
    winui::Form form(nullptr, 200, 100, 0);
    for (int kind : {winui::EditSingleLine, winui::EditPassword, winui::EditMultiLine}) {
        SCOPED_TRACE(kind);
        Edit edit(&form, kind);
        MoveWindow(edit.hwnd, 0, 0, 150, 60, FALSE);
        edit.setText(L"abcdef");
        SendMessageW(edit.hwnd, EM_SETSEL, 2, 2);

        typeKey(edit.hwnd, 'A', {VK_CONTROL, VK_SHIFT}, 0);
        EXPECT_EQ(selection(edit.hwnd), std::make_pair(2, 2));
        typeKey(edit.hwnd, 'A', {VK_CONTROL}, 0);
        EXPECT_EQ(selection(edit.hwnd), std::make_pair(0, 6));
        EXPECT_EQ(edit.text(), L"abcdef");
    }
}

TEST(EditTest, ReturnFiresInSingleLineEditsAndBreaksLinesInMultiLineOnes) {
    winui::Form form(nullptr, 200, 100, 0);
    struct Case {
        const char* what;
        int kind;
        std::vector<int> held;
        int fired;
        const wchar_t* text;
    } const cases[] = {
        {"single line", winui::EditSingleLine, {}, 1, L"ab"},
        {"single line with Shift", winui::EditSingleLine, {VK_SHIFT}, 0, L"ab"},
        {"password", winui::EditPassword, {}, 1, L"ab"},
        {"multi-line", winui::EditMultiLine, {}, 0, L"ab\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Edit edit(&form, c.kind);
        MoveWindow(edit.hwnd, 0, 0, 150, 60, FALSE);
        edit.setText(L"ab");
        SendMessageW(edit.hwnd, EM_SETSEL, 2, 2);
        EventCounter returns;
        returns.holder.connect(edit.returnPressed, &returns, &EventCounter::fired);
        typeKey(edit.hwnd, VK_RETURN, c.held, L'\r');
        EXPECT_EQ(returns.count, c.fired);
        EXPECT_EQ(edit.text(), c.text);
    }
}

TEST(EditTest, NotificationsAndClipboardEventsFire) {
    winui::Form form(nullptr, 200, 100, 0);
    Edit edit(&form);
    Edit other(&form);
    MoveWindow(edit.hwnd, 0, 0, 150, 24, FALSE);
    ShowWindow(form.hwnd, SW_SHOWNORMAL);

    // The pasted handler reads the text as it stands after the paste.
    struct PasteReader {
        Edit* edit = nullptr;
        std::wstring seen;
        HandlerHolder holder;
        void read() { seen = edit->text(); }
    } reader;
    reader.edit = &edit;
    reader.holder.connect(edit.pasted, &reader, &PasteReader::read);
    EventCounter changed, copied, gained, lost;
    changed.holder.connect(edit.changed, &changed, &EventCounter::fired);
    copied.holder.connect(edit.copied, &copied, &EventCounter::fired);
    gained.holder.connect(edit.focusGained, &gained, &EventCounter::fired);
    lost.holder.connect(edit.focusLost, &lost, &EventCounter::fired);

    edit.setText(L"copy me");
    EXPECT_EQ(changed.count, 1);
    SendMessageW(edit.hwnd, EM_SETSEL, 0, -1);
    SendMessageW(edit.hwnd, WM_COPY, 0, 0);
    EXPECT_EQ(copied.count, 1);
    edit.clear();
    EXPECT_EQ(edit.text(), L"");
    EXPECT_EQ(changed.count, 2);
    SendMessageW(edit.hwnd, WM_PASTE, 0, 0);
    EXPECT_EQ(reader.seen, L"copy me");
    EXPECT_EQ(changed.count, 3);

    // Shown, the form gave its first control the focus; the counts start from the other edit.
    SetFocus(other.hwnd);
    gained.count = 0;
    lost.count = 0;
    SetFocus(edit.hwnd);
    SetFocus(other.hwnd);
    EXPECT_EQ(gained.count, 1);
    EXPECT_EQ(lost.count, 1);
}
