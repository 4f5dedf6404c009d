#pragma once

// Real input for window tests: mouse and key events through the system's input queue, as a user
// makes them. They reach whatever window lies under the cursor or has the focus, in this process
// or another; the caller lets them arrive (pumps its messages, or waits for the other process).

#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/PngWriter.h"
#include "ui_toolkit/WindowCapture.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace realinput {

// Puts the cursor back where it stood when the test began: the pointer stays on the shared screen
// for the test programs that follow, and a window that later opens under it gets its moves.
class CursorKeeper {
public:
    CursorKeeper() { GetCursorPos(&start_); }
    ~CursorKeeper() { SetCursorPos(start_.x, start_.y); }
    CursorKeeper(const CursorKeeper&) = delete;
    CursorKeeper& operator=(const CursorKeeper&) = delete;

private:
    POINT start_ = {};
};

// The cursor to a point of a window's client area.
inline void moveTo(HWND window, int x, int y) {
    POINT at = {x, y};
    ClientToScreen(window, &at);
    SetCursorPos(at.x, at.y);
}

// One mouse event at the cursor (MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_MOVE, ...).
inline void mouse(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(INPUT));
}

// A left click at a point of a window's client area.
inline void click(HWND window, int x, int y) {
    moveTo(window, x, y);
    mouse(MOUSEEVENTF_LEFTDOWN);
    mouse(MOUSEEVENTF_LEFTUP);
}

// Each virtual key pressed and released in turn ('A' to 'Z' type lower-case letters).
inline void pressKeys(const std::vector<WORD>& keys) {
    for (const WORD key : keys) {
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wVk = input[1].ki.wVk = key;
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }
}

// The key pressed and released while the modifier keys (VK_CONTROL, VK_SHIFT, ...) are held.
inline void pressChord(const std::vector<WORD>& modifiers, WORD key) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD vk, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (const WORD modifier : modifiers)
        add(modifier, false);
    add(key, false);
    add(key, true);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        add(*it, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Types the text unit by unit as the keyboard delivers characters it has no key for (a
// character beyond U+FFFF arrives as its two surrogates).
inline void typeText(const std::wstring& text) {
    for (const wchar_t unit : text) {
        INPUT inputs[2] = {};
        inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
        inputs[0].ki.wScan = inputs[1].ki.wScan = unit;
        inputs[0].ki.dwFlags = KEYEVENTF_UNICODE;
        inputs[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
    }
}

// ---- Helpers that dispatch what they cause, screenshots, and steps in modal dialogs ----


// Dispatches what is queued, and what arrives, for about ms milliseconds, or until done holds.
inline bool pumpFor(DWORD ms, const std::function<bool()>& done = nullptr) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done && done())
            return true;
        if (GetTickCount() - start >= ms)
            return !done;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// A file name in the folder of the test program (the build folder), whatever the current
// folder is now: a file dialog moves it.
inline std::wstring besideProgram(const std::wstring& name) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    const std::size_t slash = folder.find_last_of(L"\\/");
    return slash == std::wstring::npos ? name : folder.substr(0, slash + 1) + name;
}

inline void sendKey(WORD key, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(INPUT));
}

// The key goes down, the queue runs, the key comes up: a user's press, in which the press may
// change the window that sees the release.
inline void pressKey(WORD key, DWORD pauseMs = 60) {
    sendKey(key, true);
    pumpFor(pauseMs);
    sendKey(key, false);
    pumpFor(pauseMs);
}

// Types the text as typeText does, letting each character arrive before the next.
inline void typeTextAndWait(const std::wstring& text) {
    for (wchar_t character : text) {
        typeText(std::wstring(1, character));
        pumpFor(15);
    }
    pumpFor(40);
}

// A left click at a point of the window's client area, held as long as a finger takes (a
// drop-down list opened by the press stays open), with what it causes dispatched.
inline void clickAndWait(HWND window, int x, int y) {
    moveTo(window, x, y);
    pumpFor(30);
    mouse(MOUSEEVENTF_LEFTDOWN);
    pumpFor(100);
    mouse(MOUSEEVENTF_LEFTUP);
    pumpFor(150);
}

// Queues a press or a release of the left or right button where the cursor is, without
// dispatching anything: for a menu or dialog that runs its own loop.
inline void sendButton(bool right, bool down) {
    mouse(right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP));
}

// A right click at a point of the window's client area; what it opens (a context menu) runs
// while the release is dispatched.
inline void rightClick(HWND window, int x, int y) {
    moveTo(window, x, y);
    pumpFor(30);
    sendButton(true, true);
    pumpFor(100);
    sendButton(true, false);
    pumpFor(150);
}

// A click in the middle of a window (a button, a field).
inline void clickCentre(HWND window) {
    RECT r = {};
    GetClientRect(window, &r);
    clickAndWait(window, r.right / 2, r.bottom / 2);
}

// The window as it shows now, written as a PNG into the folder the tests run in (build/).
inline bool screenshot(HWND window, const std::wstring& name) {
    pumpFor(80);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpFor(40);
    return winui::writeWindowPng(window, besideProgram(name));
}

// A part of the screen as it shows now, frames and other windows included: for a window with
// its caption buttons, or a state that spans windows (a box above a popup).
inline bool screenshotScreen(const std::wstring& name, const RECT& area) {
    pumpFor(80);
    winui::Image image;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0 || !image.createBlank(width, height))
        return false;
    HDC screen = GetDC(nullptr);
    const BOOL copied = BitBlt(image.canvas()->dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    return copied && winui::writePngFile(image, besideProgram(name));
}

// The window with its frame and a margin around it.
inline bool screenshotWithFrame(HWND window, const std::wstring& name, int margin = 0) {
    RECT r = {};
    GetWindowRect(window, &r);
    const RECT area = {r.left - margin > 0 ? r.left - margin : 0, r.top - margin > 0 ? r.top - margin : 0,
                       r.right + margin, r.bottom + margin};
    return screenshotScreen(name, area);
}

// The rectangle that holds both windows.
inline RECT unionOf(HWND a, HWND b) {
    RECT ra = {}, rb = {}, both = {};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    UnionRect(&both, &ra, &rb);
    return both;
}

struct DialogSearch {
    HWND owner;
    HWND found;
};

inline BOOL CALLBACK visitDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(window) &&
        (!search->owner || GetWindow(window, GW_OWNER) == search->owner)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog (class "#32770") of this thread owned by the window (any owner for null),
// or null.
inline HWND findOwnedDialog(HWND owner) {
    DialogSearch search = {owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), visitDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Steps a user takes in a modal dialog that runs its own message loop (or after it closed): a
// thread timer runs the current step every 100 ms until it returns true, then the next one.
// Steps only queue input (sendKey, typeText), so that the dialog's own loop handles it. After
// the bound, a dialog still open is cancelled, so that no test can hang.
class ModalScript {
public:
    explicit ModalScript(std::vector<std::function<bool()>> steps, DWORD boundMs = 15000)
        : steps_(std::move(steps)), bound_(boundMs), start_(GetTickCount()) {
        active_ = this;
        timer_ = SetTimer(nullptr, 0, 100, &ModalScript::onTimer);
    }
    ~ModalScript() {
        KillTimer(nullptr, timer_);
        active_ = nullptr;
    }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;
    bool done() const { return next_ >= steps_.size(); }
    // Dispatches until every step ran, or the bound passed.
    bool finish() {
        return pumpFor(bound_ + 1000, [this] { return done(); });
    }

private:
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        ModalScript* self = active_;
        if (!self || self->busy_)
            return;
        // Past the bound a dialog still open is closed, even once every step ran: a step that
        // missed its dialog must fail the test, not hang it.
        if (GetTickCount() - self->start_ > self->bound_) {
            if (HWND dialog = findOwnedDialog(nullptr))
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        if (self->done())
            return;
        self->busy_ = true;
        if (self->steps_[self->next_]())
            ++self->next_;
        self->busy_ = false;
    }

    static inline ModalScript* active_ = nullptr;
    std::vector<std::function<bool()>> steps_;
    DWORD bound_;
    DWORD start_;
    UINT_PTR timer_ = 0;
    std::size_t next_ = 0;
    bool busy_ = false;
};

} // namespace realinput
