#pragma once

#include <windows.h>

#include <cstddef>
#include <map>

namespace winui {
class Control;
}

// The toolkit's map from native window to its Control: a window is in it from its creation
// until its WM_DESTROY. Controls are not owned. GUI thread only.
class WindowRegistry {
public:
    WindowRegistry() = default;
    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    // Enters or replaces the window's Control. False only when memory ran out (or for a null
    // window or Control), and then nothing changed.
    bool add(HWND window, winui::Control* control);
    // Nothing happens for a window that is not in the registry.
    void remove(HWND window);
    // Null for a window that is not (or no longer) registered.
    winui::Control* find(HWND window) const;

    bool isEmpty() const { return controls_.empty(); }
    std::size_t size() const { return controls_.size(); }

private:
    std::map<HWND, winui::Control*> controls_;
};
