#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Writes a file of a size fixed in advance, front to back through a window in memory, with
// 32-bit values patched in afterwards (a node's child offset is known only once the child goes
// out). Patches inside the window cost nothing; earlier ones are applied at the end. Sequential
// writes are far cheaper than page faults on a fresh writable mapping. Every failure (a write the
// system cuts short, more bytes than planned) is remembered and makes finish() false.
//
// Several writers may fill disjoint ranges of one file at once: every write names its position,
// so they share the file handle without sharing a file pointer.
class IndexFileWriter {
public:
    IndexFileWriter() = default;
    ~IndexFileWriter() = default;
    IndexFileWriter(const IndexFileWriter&) = delete;
    IndexFileWriter& operator=(const IndexFileWriter&) = delete;

    // Writes a file that the caller opened for writing (a fresh ReplacementFile) and keeps open
    // until finish() returned; false when the window cannot be allocated.
    bool open(HANDLE file, uint64_t plannedSize);
    // Writes [start, end) of a file that another writer opened (and keeps open until this one
    // has finished).
    bool openRange(const IndexFileWriter& file, uint64_t start, uint64_t end);

    uint64_t offset() const { return windowStart_ + filled_; }
    bool failed() const { return failed_; }

    void write(const void* data, size_t count);
    void writeZeros(size_t count);
    // Room for count bytes (at most 1 MiB) at the current offset, or null when they would pass
    // the planned size.
    uint8_t* append(size_t count);
    // Sets the 4 bytes at an offset already written.
    void patch32(uint64_t at, uint32_t value);

    // Leaves the bytes up to an offset to other writers.
    void skipTo(uint64_t at);

    // Fills up to the planned size with zeros and applies the remaining patches. The caller
    // flushes, closes and commits the file.
    bool finish();
    // For a range: applies the remaining patches; false unless the range was filled exactly.
    bool finishRange();

private:
    static constexpr size_t kWindow = 4u << 20;
    // Range writers run several at once: smaller windows keep the peak of memory down.
    static constexpr size_t kRangeWindow = 1u << 20;

    bool flush();
    bool writeAt(uint64_t at, const void* data, size_t count);

    HANDLE target_ = nullptr; // the caller's file, or the file of the writer that owns it
    std::vector<uint8_t> window_;
    size_t windowSize_ = kWindow;
    uint64_t windowStart_ = 0;
    size_t filled_ = 0;
    uint64_t planned_ = 0;
    bool failed_ = true;
    std::vector<std::pair<uint64_t, uint32_t>> latePatches_;
};
