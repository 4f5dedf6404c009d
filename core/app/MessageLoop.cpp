#include "core/app/MessageLoop.h"

#include "core/app/Application.h"

namespace {

bool isDown(int virtualKey) {
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

} // namespace

uint16_t currentShortcutModifiers() {
    uint16_t mask = 0;
    if (isDown(VK_SHIFT))
        mask |= 0x0001;
    if (isDown(VK_CONTROL))
        mask |= 0x0002;
    if (isDown(VK_MENU))
        mask |= 0x0004;
    if (isDown(VK_LWIN))
        mask |= 0x0400;
    if (isDown(VK_RWIN))
        mask |= 0x0800;
    return static_cast<uint16_t>(mask & winui::kShortcutModifierMask);
}

bool filterShortcutKey(const MSG& message, Application& application) {
    const bool down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    const bool up = message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
    if (!down && !up)
        return false;
    const winui::ShortcutTable& shortcuts = application.shortcuts();
    if (shortcuts.isEmpty())
        return false;
    const auto key = static_cast<int32_t>(message.wParam);
    const auto modifiers = static_cast<int16_t>(currentShortcutModifiers());
    winui::Shortcut* shortcut = shortcuts.find(key, modifiers);
    if (!shortcut)
        return false;
    if (down)
        fireHandlers(shortcut->pressed);
    return true;
}

int runMessageLoop(Application& application) {
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return -1;
        if (filterShortcutKey(message, application))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
