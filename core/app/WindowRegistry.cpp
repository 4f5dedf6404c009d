#include "core/app/WindowRegistry.h"

#include <new>

bool WindowRegistry::add(HWND window, winui::Control* control) {
    if (!window || !control)
        return false;
    try {
        controls_[window] = control;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void WindowRegistry::remove(HWND window) {
    controls_.erase(window);
}

winui::Control* WindowRegistry::find(HWND window) const {
    const auto found = controls_.find(window);
    return found == controls_.end() ? nullptr : found->second;
}
