#pragma once

// Real input for window tests: mouse and key events through the system's input queue, as a user
// makes them. They reach whatever window lies under the cursor or has the focus, in this process
// or another; the caller lets them arrive (pumps its messages, or waits for the other process).

#include <windows.h>

#include <vector>

namespace realinput {

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

} // namespace realinput
