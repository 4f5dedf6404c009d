#pragma once

// Helpers for the TMX file tests: write times of files (a touch without changing the content).
// The scratch folder and whole-file helpers are the shared ones of core/tests/TestFiles.h.

#include "core/tests/TestFiles.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tmxtest {

inline bool getWriteTime(const std::wstring& path, FILETIME& time) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BOOL ok = GetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
    return ok != FALSE;
}

inline bool setWriteTime(const std::wstring& path, const FILETIME& time) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BOOL ok = SetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
    return ok != FALSE;
}

// Moves a file's write time by whole seconds (a touch without changing the content).
inline bool shiftWriteTime(const std::wstring& path, int seconds) {
    FILETIME time;
    if (!getWriteTime(path, time))
        return false;
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    value.QuadPart += static_cast<uint64_t>(static_cast<int64_t>(seconds) * 10000000LL);
    time.dwLowDateTime = value.LowPart;
    time.dwHighDateTime = value.HighPart;
    return setWriteTime(path, time);
}

} // namespace tmxtest
