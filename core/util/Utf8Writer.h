#pragma once

#include "core/util/ByteSink.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Encodes UTF-16 text as UTF-8 (no byte-order mark) into a buffer that goes to a sink in large
// blocks. A valid surrogate pair becomes one four-byte sequence, also when the two halves arrive
// in separate writes; a lone surrogate keeps its three-byte form, so nothing is lost.
class Utf8Writer {
public:
    static constexpr size_t kDefaultBufferBytes = 256 * 1024;

    explicit Utf8Writer(ByteSink& sink, size_t bufferBytes = kDefaultBufferBytes);
    Utf8Writer(const Utf8Writer&) = delete;
    Utf8Writer& operator=(const Utf8Writer&) = delete;

    void write(const wchar_t* text, size_t length);
    void write(const std::wstring& text) { write(text.data(), text.size()); }
    template <size_t N>
    void writeLiteral(const wchar_t (&text)[N]) {
        write(text, N - 1);
    }

    // Bytes already in UTF-8, after everything written before.
    void writeEncoded(const char* bytes, size_t size);

    // Writes out everything held, a trailing lone high surrogate included. False when any block
    // could not be written.
    bool finish();

    // True once the sink refused a block; later text is dropped.
    bool failed() const { return failed_; }
    // Bytes handed to the sink so far plus those still buffered.
    uint64_t bytesWritten() const { return flushed_ + used_; }

private:
    void flushBuffer();
    void putThreeBytes(unsigned unit);

    ByteSink& sink_;
    std::unique_ptr<char[]> buffer_;
    size_t capacity_;
    size_t used_ = 0;
    uint64_t flushed_ = 0;
    // A high surrogate that ended the last write; its low half may start the next.
    unsigned pendingHigh_ = 0;
    bool failed_ = false;
};
