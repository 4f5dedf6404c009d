#pragma once

#include <windows.h>

// Owns one kernel handle (file, mapping, thread, event) and closes it exactly once, before it
// forgets it. Files use INVALID_HANDLE_VALUE as "none", the others null; both count as invalid.
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
    explicit operator bool() const { return valid(); }
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
    // For files that were written: a failed close can mean data that never reached the disk.
    bool close() {
        const bool ok = !valid() || CloseHandle(handle_) != 0;
        handle_ = nullptr;
        return ok;
    }

private:
    HANDLE handle_ = nullptr;
};

using FileHandle = Win32Handle;
