#pragma once

// Helpers for the TMX file tests: a scratch folder that is removed afterwards, and small file
// operations on it (every TMX that a test loads gets its index written beside it).

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tmxtest {

inline std::wstring widen(const std::string& utf8) {
    if (utf8.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

inline bool writeBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

inline std::string readBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

inline bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

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

// A fresh folder under the temporary folder, deleted with its files when the object dies.
class ScratchDir {
public:
    ScratchDir() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static LONG counter = 0;
        for (;;) {
            path_ = std::wstring(base) + L"tmxfile_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                    std::to_wstring(InterlockedIncrement(&counter));
            if (CreateDirectoryW(path_.c_str(), nullptr))
                break;
        }
    }
    ~ScratchDir() { removeTree(path_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    const std::wstring& path() const { return path_; }

    // Names of the files in the folder, for checks that nothing was left behind.
    std::vector<std::wstring> names() const {
        std::vector<std::wstring> result;
        WIN32_FIND_DATAW data;
        HANDLE h = FindFirstFileW((path_ + L"\\*").c_str(), &data);
        if (h == INVALID_HANDLE_VALUE)
            return result;
        do {
            std::wstring name = data.cFileName;
            if (name != L"." && name != L"..")
                result.push_back(name);
        } while (FindNextFileW(h, &data));
        FindClose(h);
        return result;
    }

private:
    static void removeTree(const std::wstring& dir) {
        WIN32_FIND_DATAW data;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &data);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                std::wstring full = dir + L"\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    removeTree(full);
                else
                    DeleteFileW(full.c_str());
            } while (FindNextFileW(h, &data));
            FindClose(h);
        }
        RemoveDirectoryW(dir.c_str());
    }

    std::wstring path_;
};

} // namespace tmxtest
