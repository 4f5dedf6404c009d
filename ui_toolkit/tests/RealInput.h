#pragma once

// Real input for window tests: mouse and key events through the system's input queue, as a user
// makes them. They reach whatever window lies under the cursor or has the focus, in this process
// or another; the caller lets them arrive (pumps its messages, or waits for the other process).

#include <windows.h>

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

} // namespace realinput
