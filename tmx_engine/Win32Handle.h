#pragma once

#include <windows.h>

// Owns one kernel handle and closes it once. Files use INVALID_HANDLE_VALUE as "none", mappings
// use null; both are taken as invalid.
class Win32Handle {
public:
    Win32Handle() = default;
    explicit Win32Handle(HANDLE handle) : handle_(handle) {}
    ~Win32Handle() { reset(); }

    Win32Handle(const Win32Handle&) = delete;
    Win32Handle& operator=(const Win32Handle&) = delete;
    Win32Handle(Win32Handle&& other) noexcept : handle_(other.release()) {}
    Win32Handle& operator=(Win32Handle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE release() {
        HANDLE h = handle_;
        handle_ = nullptr;
        return h;
    }
    void reset(HANDLE handle = nullptr) {
        if (valid())
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

using FileHandle = Win32Handle;
