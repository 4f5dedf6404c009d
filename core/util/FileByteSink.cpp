#include "core/util/FileByteSink.h"

#include <algorithm>
#include <utility>

bool isSameFile(HANDLE first, HANDLE second) {
    BY_HANDLE_FILE_INFORMATION a;
    BY_HANDLE_FILE_INFORMATION b;
    if (!GetFileInformationByHandle(first, &a) || !GetFileInformationByHandle(second, &b))
        return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

FileByteSink::~FileByteSink() {
    close();
}

FileByteSink::FileByteSink(FileByteSink&& other) noexcept
    : handle_(other.handle_), refusedSameFile_(other.refusedSameFile_) {
    other.handle_ = INVALID_HANDLE_VALUE;
}

FileByteSink& FileByteSink::operator=(FileByteSink&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        refusedSameFile_ = other.refusedSameFile_;
    }
    return *this;
}

bool FileByteSink::open(const std::wstring& path, HANDLE keepOut) {
    close();
    refusedSameFile_ = false;
    // Opened without truncation first: the check against keepOut must come before any byte of
    // an existing file is lost.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    if (keepOut != INVALID_HANDLE_VALUE && isSameFile(file, keepOut)) {
        CloseHandle(file);
        refusedSameFile_ = true;
        return false;
    }
    if (!SetEndOfFile(file)) {
        CloseHandle(file);
        return false;
    }
    handle_ = file;
    return true;
}

bool FileByteSink::writeBytes(const char* data, size_t size) {
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(handle_, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool FileByteSink::close() {
    if (handle_ == INVALID_HANDLE_VALUE)
        return true;
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
}
