#pragma once

#include "core/app/Application.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Control.h"
#include "ui_toolkit/Toolkit.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A Control that records the virtual calls it receives as short texts ("timer 7",
// "down 3 4 0"), so that tests can compare whole sequences. Hooks let a test act inside a
// call (delete the Control, mark a key handled).
class ControlProbe : public winui::Control {
public:
    // A top-level window of the toolkit's form class.
    ControlProbe() : winui::Control(nullptr) {
        createWindow(nullptr, winui::windowClass, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, false,
                     winui::Rect(0, 0, 300, 200));
    }
    // A child of the given class (the toolkit's own painted class by default).
    ControlProbe(winui::Control* parentControl, const wchar_t* className = winui::childWindowClass,
                 uint32_t windowStyle = WS_CHILD | WS_VISIBLE)
        : winui::Control(parentControl) {
        createWindow(parentControl ? parentControl->hwnd : nullptr, className, windowStyle, 0, false,
                     winui::Rect());
    }

    void onMessage(winui::Message& message) override {
        if (message.message >= WM_USER || message.message == WM_COMMAND)
            record(L"message " + std::to_wstring(message.message) + L" " +
                   std::to_wstring(static_cast<unsigned long long>(message.wParam)));
        // A copy runs, so that a hook may delete the probe (and the hook with it).
        if (auto hook = onMessageHook)
            hook(message);
    }
    void onNotify(NMHDR* header) override { record(L"notify " + std::to_wstring(header->code)); }
    void onCommand(uint16_t code) override {
        record(L"command " + std::to_wstring(code));
        if (auto hook = onCommandHook)
            hook();
    }
    void onShown() override { record(L"shown"); }
    void onHidden() override { record(L"hidden"); }
    void onResized() override { record(L"resized"); }
    void onClosing(bool& allow) override {
        record(L"closing");
        allow = allowClose;
    }
    void onClose() override { record(L"close"); }
    void onTimer(UINT_PTR timerId) override {
        record(L"timer " + std::to_wstring(timerId));
        if (auto hook = onTimerHook)
            hook();
    }
    void paint(winui::Canvas& canvas, const winui::Rect& update) override {
        record(L"paint");
        paintedFont = static_cast<HFONT>(GetCurrentObject(canvas.dc, OBJ_FONT));
    }
    void onMouseMove(int32_t x, int32_t y) override { record(L"move " + xy(x, y)); }
    void onMouseDown(int32_t x, int32_t y, int32_t button) override {
        record(L"down " + xy(x, y) + L" " + std::to_wstring(button));
    }
    void onMouseUp(int32_t x, int32_t y, int32_t button) override {
        record(L"up " + xy(x, y) + L" " + std::to_wstring(button));
    }
    void onDoubleClick(int32_t x, int32_t y) override { record(L"double " + xy(x, y)); }
    void drawItem(winui::Canvas& canvas, DRAWITEMSTRUCT* item) override {
        record(L"drawItem " + std::to_wstring(item->CtlID));
    }
    void measureItem(MEASUREITEMSTRUCT* item) override {
        record(L"measureItem " + std::to_wstring(item->CtlID));
    }
    void onMouseWheel(int32_t notches, bool& handled) override {
        record(L"wheel " + std::to_wstring(notches));
    }
    void onKeyDown(int32_t key, bool& handled) override {
        record(L"keyDown " + std::to_wstring(key));
    }
    void onKeyUp(int32_t key, bool& handled) override { record(L"keyUp " + std::to_wstring(key)); }
    void previewKey(int32_t key, bool down, bool& handled) override {
        record(L"preview " + std::to_wstring(key) + (down ? L" down" : L" up"));
        handled = swallowKeys;
    }
    void onChar(wchar_t character, bool& handled) override {
        record(L"char " + std::to_wstring(static_cast<int>(character)));
    }
    void onFontChanged() override { record(L"fontChanged"); }
    void onStyleChanged() override { record(L"styleChanged"); }
    void onTextChanged() override { record(L"textChanged"); }

    static std::wstring xy(int32_t x, int32_t y) {
        return std::to_wstring(x) + L" " + std::to_wstring(y);
    }

    // Every call lands in the shared log when one is set (to see the order across Controls),
    // else in the probe's own.
    void record(const std::wstring& call) {
        if (sharedLog)
            sharedLog->push_back(name + L": " + call);
        else
            calls.push_back(call);
    }

    std::vector<std::wstring> calls;
    std::vector<std::wstring>* sharedLog = nullptr;
    std::wstring name;
    bool allowClose = true;
    bool swallowKeys = false;
    HFONT paintedFont = nullptr;
    std::function<void()> onTimerHook;
    std::function<void()> onCommandHook;
    std::function<void(winui::Message&)> onMessageHook;
};

// Handles the messages waiting in the thread's queue (without the shortcut check).
inline void pumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Handles messages until the condition holds or about two seconds passed.
inline bool pumpUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        pumpMessages();
        if (condition())
            return true;
        Sleep(10);
    }
    return condition();
}

inline std::wstring className(HWND window) {
    wchar_t name[257] = {};
    GetClassNameW(window, name, 256);
    return name;
}

inline uint32_t windowStyle(HWND window) {
    return static_cast<uint32_t>(GetWindowLongW(window, GWL_STYLE));
}

inline winui::Control* registeredControl(HWND window) {
    return Application::instance().windows().find(window);
}

// Sets the thread's keyboard state: these keys held, Caps Lock toggled on or off.
inline void holdKeys(const std::vector<int>& keys, bool capsLock = false) {
    BYTE state[256] = {};
    for (int key : keys)
        state[key] = 0x80;
    if (capsLock)
        state[VK_CAPITAL] = 0x01;
    SetKeyboardState(state);
}
