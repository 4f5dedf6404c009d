#pragma once

// File helpers shared by every test program: fixtures under the program's TEST_DATA_DIR, a
// scratch folder that is removed with its contents, and whole-file reads and writes.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace testfiles {

inline std::wstring widen(const char* ascii) {
    return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii));
}

inline std::wstring fromUtf8(const std::string& utf8) {
    if (utf8.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

#ifdef TEST_DATA_DIR
inline std::wstring dataPath(const std::wstring& name) {
    return widen(TEST_DATA_DIR) + L"/" + name;
}

#endif

#ifdef TEST_SHARED_DIR
// A file of the real data beside the project (corpus/..., fuzz-found/...); tests skip, saying
// so, when it is absent.
inline std::wstring sharedPath(const std::wstring& name) {
    return widen(TEST_SHARED_DIR) + L"/" + name;
}

// Real translation memories and documents kept beside the project (../shared/corpus). Read only:
// tests that change a file work on a copy, and skip where the folder is absent.
inline std::wstring corpusPath(const std::wstring& name) {
    return sharedPath(L"corpus/" + name);
}
#endif

inline bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string readText(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(h, block, sizeof block, &got, nullptr) && got > 0)
        bytes.append(block, got);
    CloseHandle(h);
    return bytes;
}

inline std::vector<uint8_t> readFile(const std::wstring& path) {
    const std::string text = readText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

inline bool writeBytes(const std::wstring& path, const void* data, size_t size) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    const bool ok = size == 0 ||
                    (WriteFile(h, data, static_cast<DWORD>(size), &put, nullptr) && put == size);
    return CloseHandle(h) && ok;
}

inline bool writeText(const std::wstring& path, const std::string& bytes) {
    return writeBytes(path, bytes.data(), bytes.size());
}

inline bool writeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    return writeBytes(path, bytes.data(), bytes.size());
}

// Names of what a folder holds ("." and ".." aside), files alone or with the sub-folders, in
// the order the system lists them; empty when the folder is absent.
inline std::vector<std::wstring> namesIn(const std::wstring& folder, bool withFolders) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = data.cFileName;
        const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (name != L"." && name != L".." && (withFolders || !isFolder))
            names.push_back(name);
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return names;
}

// Names of the files in a folder (not its sub-folders), sorted.
inline std::vector<std::wstring> filesIn(const std::wstring& folder) {
    std::vector<std::wstring> names = namesIn(folder, false);
    std::sort(names.begin(), names.end());
    return names;
}

// A file of its own in the temporary folder holding the given bytes, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        wchar_t folder[MAX_PATH];
        wchar_t name[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        GetTempFileNameW(folder, L"tst", 0, name);
        path_ = name;
        writeText(path_, bytes);
    }
    ~TempFile() { DeleteFileW(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// A fresh folder of its own under the temporary folder, removed with everything in it when the
// object goes.
class TempDir {
public:
    explicit TempDir(const std::wstring& prefix = L"test") {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static volatile LONG counter = 0;
        for (int attempt = 0; attempt < 1000; ++attempt) {
            path_ = std::wstring(base) + prefix + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                    std::to_wstring(InterlockedIncrement(&counter));
            if (CreateDirectoryW(path_.c_str(), nullptr))
                break;
        }
    }
    ~TempDir() { removeTree(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    const std::wstring& path() const { return path_; }
    // A sub-folder, created on the way.
    std::wstring folder(const std::wstring& name) const {
        const std::wstring path = file(name);
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }

    // Names of what the folder holds, for checks that nothing was left behind.
    std::vector<std::wstring> names() const { return namesIn(path_, true); }

private:
    static void removeTree(const std::wstring& dir) {
        WIN32_FIND_DATAW data;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &data);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring full = dir + L"\\" + name;
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
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

} // namespace testfiles
