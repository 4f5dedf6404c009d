#pragma once

// Real input through the system's input queue, as a user gives it: it reaches whatever window
// has the focus, lies under the point, or holds the mouse capture. The caller pumps messages
// for it to arrive.

#include <windows.h>

#include <string>
#include <vector>

namespace realinput {

// A left click at a point of a window's client area.
inline void click(HWND window, int x, int y) {
    POINT at = {x, y};
    ClientToScreen(window, &at);
    SetCursorPos(at.x, at.y);
    INPUT input[2] = {};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].type = INPUT_MOUSE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

// Each character typed as a key press of its own.
inline void type(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        INPUT down = {};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = c;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        inputs.push_back(down);
        inputs.push_back(up);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// One key pressed and let go.
inline void press(WORD key) {
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

} // namespace realinput
