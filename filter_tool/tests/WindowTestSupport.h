#pragma once

// Helpers for the window tests: pumping messages until something happened, answering the
// message boxes the windows show, and a chooser that hands out scripted file names.

#include "filter_tool/ui/SiftonFileChooser.h"

#include <windows.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace windowtest {

// Set when a pump took WM_QUIT off the queue.
inline bool& quitSeen() {
    static bool seen = false;
    return seen;
}

inline void dispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quitSeen() = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Serves what is queued now.
inline void pumpPending() {
    dispatchPending();
}

// Serves messages until done() holds; false when it still does not after a generous while (a
// safety net against a hang, not a measure of speed).
inline bool pumpUntil(const std::function<bool()>& done, DWORD limitMs = 30000) {
    const DWORD start = GetTickCount();
    for (;;) {
        dispatchPending();
        if (done())
            return true;
        if (GetTickCount() - start > limitMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Whether a WM_QUIT was posted (and taken) since the last call.
inline bool quitPosted() {
    dispatchPending();
    const bool seen = quitSeen();
    quitSeen() = false;
    return seen;
}

inline void dropQuit() {
    quitPosted();
}

struct ShownMessage {
    std::wstring caption;
    std::wstring text;
    UINT icon = 0; // MB_ICONERROR, MB_ICONWARNING or MB_ICONINFORMATION, read from the box
};

// While it lives, every message box of this thread is read and answered with its first
// button, from a thread timer that the box's own loop serves.
class MessageBoxPresser {
public:
    MessageBoxPresser() {
        current() = this;
        timer_ = SetTimer(nullptr, 0, 50, onTimer);
    }
    ~MessageBoxPresser() {
        KillTimer(nullptr, timer_);
        current() = nullptr;
    }
    MessageBoxPresser(const MessageBoxPresser&) = delete;
    MessageBoxPresser& operator=(const MessageBoxPresser&) = delete;

    std::vector<ShownMessage> shown;

private:
    static MessageBoxPresser*& current() {
        static MessageBoxPresser* presser = nullptr;
        return presser;
    }

    static BOOL CALLBACK pressBox(HWND window, LPARAM) {
        wchar_t cls[16] = {};
        GetClassNameW(window, cls, 16);
        if (std::wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(window) || !current())
            return TRUE;
        ShownMessage message;
        wchar_t buffer[2048] = {};
        GetWindowTextW(window, buffer, 2048);
        message.caption = buffer;
        buffer[0] = L'\0';
        GetDlgItemTextW(window, 0xFFFF, buffer, 2048);
        message.text = buffer;
        message.icon = iconOf(window);
        current()->shown.push_back(message);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return FALSE;
    }

    // The box shows its icon in a static control (id 0x440 in the platform's template); the
    // icon handle tells which of the standard icons it is.
    static UINT iconOf(HWND box) {
        const HICON shown = reinterpret_cast<HICON>(
            SendDlgItemMessageW(box, 0x440, STM_GETICON, 0, 0));
        const struct {
            LPCWSTR id;
            UINT type;
        } icons[] = {{IDI_HAND, MB_ICONERROR},
                     {IDI_EXCLAMATION, MB_ICONWARNING},
                     {IDI_ASTERISK, MB_ICONINFORMATION}};
        for (const auto& icon : icons) {
            if (shown && shown == LoadIconW(nullptr, icon.id))
                return icon.type;
        }
        return 0;
    }

    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        EnumThreadWindows(GetCurrentThreadId(), pressBox, 0);
    }

    UINT_PTR timer_ = 0;
};

// Hands out the names a test put in; an empty name is a cancelled dialog.
class ScriptedChooser : public SiftonFileChooser {
public:
    bool chooseInput(winui::Control&, std::wstring& path) override {
        ++inputAsks;
        if (input.empty())
            return false;
        path = input;
        return true;
    }
    bool chooseOutput(winui::Control&, std::wstring& path) override {
        ++outputAsks;
        if (output.empty())
            return false;
        path = output;
        return true;
    }

    std::wstring input;
    std::wstring output;
    int inputAsks = 0;
    int outputAsks = 0;
};

} // namespace windowtest
