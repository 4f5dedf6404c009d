#pragma once

// Helpers for the group and loader tests: a scratch folder, small TMX files and group files.

#include "core/util/StringUtils.h"

#include <windows.h>

#include <string>
#include <vector>

namespace grouptest {

inline std::string utf8(const std::wstring& text) {
    std::string bytes;
    if (text.empty())
        return bytes;
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    bytes.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], n, nullptr,
                        nullptr);
    return bytes;
}

inline bool writeBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = bytes.empty() ||
                    (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size());
    CloseHandle(file);
    return ok;
}

inline std::string readBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0)
        bytes.append(block, got);
    CloseHandle(file);
    return bytes;
}

inline bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A folder of its own under the temporary folder; it and everything below it go with the object.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static unsigned counter = 0;
        path_ = std::wstring(base) + L"group-test-" + formatUnsigned(GetCurrentProcessId()) + L"-" +
                formatUnsigned(GetTickCount()) + L"-" + formatUnsigned(++counter);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { removeTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::wstring folder(const std::wstring& name) const {
        const std::wstring path = file(name);
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }

private:
    static void removeTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = folder + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    removeTree(path);
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring path_;
};

// A small TMX file with one unit per source text, each translated into every target language as
// "<text> [<language>]".
inline std::string tmxText(const std::wstring& srclang, const std::vector<std::wstring>& sources,
                           const std::vector<std::wstring>& targets) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n"
                        L"<header creationtool=\"test\" creationtoolversion=\"1\" o-tmf=\"t\" "
                        L"datatype=\"plaintext\" segtype=\"sentence\" adminlang=\"en-US\" srclang=\"" +
                        srclang + L"\"/>\n<body>\n";
    for (const std::wstring& source : sources) {
        text += L"<tu><tuv xml:lang=\"" + srclang + L"\"><seg>" + source + L"</seg></tuv>";
        for (const std::wstring& target : targets)
            text += L"<tuv xml:lang=\"" + target + L"\"><seg>" + source + L" [" + target + L"]</seg></tuv>";
        text += L"</tu>\n";
    }
    text += L"</body>\n</tmx>\n";
    return utf8(text);
}

} // namespace grouptest
