#pragma once

#include <windows.h>

#include <cstdint>

namespace winui {

// One window message as a Control's generic slot (onMessage) sees it. Whoever processes it
// stores the window procedure's return value in result and sets handled, so that the
// dispatcher does not run default processing a second time.
struct Message {
    uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool handled = false;
};

} // namespace winui
