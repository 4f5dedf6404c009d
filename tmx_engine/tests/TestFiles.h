#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testfiles {

inline std::wstring widen(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }

inline std::wstring dataPath(const wchar_t* name) {
    return widen(TEST_DATA_DIR) + L"/" + name;
}

// A fresh folder under the temporary folder, removed with its files when the object goes.
class TempDir {
public:
    explicit TempDir(const wchar_t* name) {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + name + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempDir() {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((path_ + L"\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileW((path_ + L"\\" + fd.cFileName).c_str());
            } while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring file(const wchar_t* name) const { return path_ + L"\\" + name; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

inline bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::vector<uint8_t> readFile(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    const DWORD size = GetFileSize(h, nullptr);
    bytes.resize(size);
    DWORD got = 0;
    if (size && !ReadFile(h, bytes.data(), size, &got, nullptr))
        got = 0;
    bytes.resize(got);
    CloseHandle(h);
    return bytes;
}

inline bool writeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    const bool ok = bytes.empty() ||
                    (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                     put == bytes.size());
    CloseHandle(h);
    return ok;
}

} // namespace testfiles
