#pragma once

#include "core/util/ByteSink.h"

#include <windows.h>

#include <string>

// A file opened for writing in byte mode; owns its handle. Move-only.
class FileByteSink : public ByteSink {
public:
    FileByteSink() = default;
    ~FileByteSink() override;
    FileByteSink(FileByteSink&& other) noexcept;
    FileByteSink& operator=(FileByteSink&& other) noexcept;

    // Opens path for writing, creating it or emptying it. When keepOut is given, a path that
    // names the same file as keepOut (another spelling, a link) is refused before anything is
    // emptied, so a filter can never truncate its own input. False on failure.
    bool open(const std::wstring& path, HANDLE keepOut = INVALID_HANDLE_VALUE);
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    // True when open refused the path because it named keepOut.
    bool refusedSameFile() const { return refusedSameFile_; }

    bool writeBytes(const char* data, size_t size) override;
    // Closes the file; false when the last data could not be committed.
    bool close();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool refusedSameFile_ = false;
};

// True when both handles name one file (same volume and file index).
bool isSameFile(HANDLE first, HANDLE second);
