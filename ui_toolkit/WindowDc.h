#pragma once

#include <windows.h>

#include <utility>

namespace winui {

// The device context of a window (of the whole screen for no window), released when the
// owner goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDc(WindowDc&& other) noexcept
        : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc&& other) noexcept {
        if (this != &other) {
            release();
            window_ = std::exchange(other.window_, nullptr);
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { release(); }

    HDC handle() const { return dc_; }

private:
    void release() {
        if (dc_) ReleaseDC(window_, dc_);
        dc_ = nullptr;
    }

    HWND window_;
    HDC dc_;
};

} // namespace winui
