#pragma once

#include "core/util/Win32Handle.h"

#include <cstddef>
#include <cstdint>
#include <string>

// One file mapped into memory, with a cursor for reading or writing it in sequence. Reads and
// writes never leave the view: one that meets its end transfers what fits, sets the short-transfer
// flag and leaves the cursor at the end.
class MappedFile {
public:
    enum class Mode { Read, Write };

    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;

    bool failed() const { return failed_; }
    bool isOpen() const { return start_ != nullptr; }
    const uint8_t* start() const { return start_; }
    const uint8_t* end() const { return end_; }
    uint8_t* data() { return start_; }
    size_t size() const { return static_cast<size_t>(end_ - start_); }

    size_t cursor() const { return cursor_; }
    // Moves the cursor, clamped to the view's end.
    void seek(size_t offset);
    bool shortTransfer() const { return shortTransfer_; }
    size_t lastTransfer() const { return lastTransfer_; }

    size_t read(void* destination, size_t count);
    size_t write(const void* source, size_t count);
    size_t writeZeros(size_t count);
    // Moves past count bytes without reading them; short when they run past the end.
    size_t skip(size_t count);

    // Unmaps the view (writing it back) and closes both handles; false when either step failed.
    bool close();

private:
    friend MappedFile mapFile(const std::wstring& path, Mode mode, uint64_t size);
    size_t transferLength(size_t count);

    FileHandle file_;
    Win32Handle mapping_;
    uint8_t* start_ = nullptr;
    uint8_t* end_ = nullptr;
    bool failed_ = true;
    size_t cursor_ = 0;
    bool shortTransfer_ = false;
    size_t lastTransfer_ = 0;
};

// Read: the whole existing file, read-only (a file of 4 GiB or more, or of zero bytes, fails).
// Write: a new file (replacing any old one) of exactly size bytes, zero-filled, mapped for writing.
// The result's failed flag tells whether it worked.
MappedFile mapFile(const std::wstring& path, MappedFile::Mode mode, uint64_t size = 0);
