#include "core/util/FileUtils.h"

#include "core/util/StringUtils.h"
#include "core/util/Win32Handle.h"

#include <windows.h>

#include <algorithm>

namespace {

bool writeAll(HANDLE file, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, size_t(1) << 20));
        DWORD written = 0;
        if (!WriteFile(file, data + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// A name of our own beside target that no other file has.
Win32Handle createTemporaryBeside(const std::wstring& target, std::wstring& temporary) {
    static volatile LONG counter = 0;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary = target + L"." + formatUnsigned(GetCurrentProcessId()) + L"-" +
                    formatUnsigned(static_cast<uint32_t>(InterlockedIncrement(&counter))) + L".tmp";
        Win32Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    temporary.clear();
    return Win32Handle();
}

} // namespace

bool readWholeFile(const std::wstring& path, uint64_t maxBytes, std::vector<uint8_t>& bytes) {
    Win32Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > maxBytes ||
        static_cast<uint64_t>(size.QuadPart) > SIZE_MAX)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, size_t(1) << 20));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &got, nullptr) || got == 0)
            return false;
        done += got;
    }
    return true;
}

bool replaceFileContents(const std::wstring& target, const void* data, size_t size) {
    std::wstring temporary;
    Win32Handle file = createTemporaryBeside(target, temporary);
    if (!file)
        return false;
    bool ok = writeAll(file.get(), static_cast<const uint8_t*>(data), size) &&
              FlushFileBuffers(file.get()) != 0;
    ok = file.close() && ok;
    ok = ok && MoveFileExW(temporary.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}
