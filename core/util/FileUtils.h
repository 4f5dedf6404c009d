#pragma once

#include "core/util/ByteSink.h"
#include "core/util/Win32Handle.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file of at most maxBytes; false when it cannot be opened, is larger, or a read
// comes up short.
bool readWholeFile(const std::wstring& path, uint64_t maxBytes, std::vector<uint8_t>& bytes);

// A fresh temporary file beside target that replaces it on commit. This is the one way anything
// is written over a user's file: the bytes go to a file of our own, and only when every write,
// the flush to the disk and the close succeeded does one move put it in target's place. A crash,
// a full disk or a stop at any point before that leaves target as it was (and at worst a
// temporary file beside it, which a later run never reuses, since every name is new).
//
//   ReplacementFile out(path);
//   if (!out.open()) ...;
//   out.writeBytes(...) ...;      // any number of times; a failure sticks
//   if (!out.commit()) ...;       // target untouched, the temporary file gone
//
// Not committed when it goes: the temporary file is deleted. One thread at a time.
class ReplacementFile : public ByteSink {
public:
    explicit ReplacementFile(const std::wstring& target);
    ~ReplacementFile() override;

    // Creates a fresh temporary file beside target: target + "." + process id + "-" + a count of
    // this process + ".tmp", so two programs, or two threads, replacing one target never share
    // one. False when no such file can be created (no folder, no right to write in it).
    bool open();
    // Every write is checked; after the first failure (or without open) every later write and
    // the commit fail.
    bool writeBytes(const char* data, size_t size) override;
    // Flushes the file to the disk, closes it (checked), then moves it onto target in one
    // replacing, written-through move. On any failure the temporary file is deleted and target
    // is left as it was. False also when nothing is open or a write failed, and for a read-only
    // target. A target busy for a moment is tried again for some 300 ms.
    bool commit();
    // Closes and deletes the temporary file; target is left as it was. Harmless when nothing is
    // open.
    void abandon();

    const std::wstring& target() const { return target_; }
    // Empty until open succeeded, and again after commit or abandon. While open, the file may
    // be opened for reading (to check what was written before commit).
    const std::wstring& temporaryPath() const { return temporary_; }
    // The open temporary file, for writers that position or read back themselves (invalid when
    // nothing is open). Such writes bypass the failure tracking: call markFailed() on failure.
    HANDLE handle() const { return file_.get(); }
    bool isOpen() const { return file_.valid(); }
    bool failed() const { return failed_; }
    void markFailed() { failed_ = true; }

private:
    std::wstring target_;
    std::wstring temporary_;
    Win32Handle file_;
    bool failed_ = false;
};

// Writes the bytes over target through a ReplacementFile: target holds either its old bytes or
// all the new ones, never a mix. False on any failure.
bool replaceFileContents(const std::wstring& target, const void* data, size_t size);
