#include "core/util/Utf8Writer.h"

#include <algorithm>

namespace {

bool isHighSurrogate(unsigned unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}

bool isLowSurrogate(unsigned unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

char* putPair(char* out, unsigned high, unsigned low) {
    const unsigned code = 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
    *out++ = static_cast<char>(0xF0 | (code >> 18));
    *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
    return out;
}

char* putThree(char* out, unsigned unit) {
    *out++ = static_cast<char>(0xE0 | (unit >> 12));
    *out++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (unit & 0x3F));
    return out;
}

} // namespace

Utf8Writer::Utf8Writer(ByteSink& sink, size_t bufferBytes)
    // Room for at least one four-byte sequence, whatever the caller asks for.
    : sink_(sink), capacity_(std::max<size_t>(bufferBytes, 16)) {
    buffer_.reset(new char[capacity_]);
}

void Utf8Writer::flushBuffer() {
    if (used_ == 0)
        return;
    if (!failed_ && !sink_.writeBytes(buffer_.get(), used_))
        failed_ = true;
    flushed_ += used_;
    used_ = 0;
}

void Utf8Writer::writeEncoded(const char* bytes, size_t size) {
    if (failed_ || size == 0)
        return;
    if (pendingHigh_ != 0) {
        // No low half can follow in bytes: the high one stands alone, as write() would leave it.
        putThreeBytes(pendingHigh_);
        pendingHigh_ = 0;
    }
    if (size <= capacity_ - used_) {
        std::copy(bytes, bytes + size, buffer_.get() + used_);
        used_ += size;
        return;
    }
    flushBuffer();
    if (!failed_ && !sink_.writeBytes(bytes, size))
        failed_ = true;
    flushed_ += size;
}

void Utf8Writer::putThreeBytes(unsigned unit) {
    if (capacity_ - used_ < 3)
        flushBuffer();
    putThree(buffer_.get() + used_, unit);
    used_ += 3;
}

void Utf8Writer::write(const wchar_t* text, size_t length) {
    if (failed_ || length == 0)
        return;
    const wchar_t* p = text;
    const wchar_t* const end = text + length;
    if (pendingHigh_ != 0) {
        const unsigned first = static_cast<unsigned>(*p) & 0xFFFF;
        if (isLowSurrogate(first)) {
            if (capacity_ - used_ < 4)
                flushBuffer();
            putPair(buffer_.get() + used_, pendingHigh_, first);
            used_ += 4;
            ++p;
        } else {
            putThreeBytes(pendingHigh_);
        }
        pendingHigh_ = 0;
    }
    while (p < end) {
        // Units that surely fit: three bytes each, plus one byte for a pair that starts at the
        // last of them and takes four. So the inner loop needs no room check of its own.
        if (capacity_ - used_ < 4)
            flushBuffer();
        const size_t room = (capacity_ - used_ - 1) / 3;
        const wchar_t* const chunkEnd = p + std::min<size_t>(room, static_cast<size_t>(end - p));
        char* out = buffer_.get() + used_;
        while (p < chunkEnd) {
            const unsigned unit = static_cast<unsigned>(*p) & 0xFFFF;
            if (unit < 0x80) {
                *out++ = static_cast<char>(unit);
                ++p;
            } else if (unit < 0x800) {
                *out++ = static_cast<char>(0xC0 | (unit >> 6));
                *out++ = static_cast<char>(0x80 | (unit & 0x3F));
                ++p;
            } else if (isHighSurrogate(unit)) {
                if (p + 1 == end) {
                    // Its low half may come with the next write.
                    pendingHigh_ = unit;
                    ++p;
                } else {
                    const unsigned next = static_cast<unsigned>(p[1]) & 0xFFFF;
                    if (isLowSurrogate(next)) {
                        out = putPair(out, unit, next);
                        p += 2;
                    } else {
                        out = putThree(out, unit);
                        ++p;
                    }
                }
            } else {
                out = putThree(out, unit);
                ++p;
            }
        }
        used_ = static_cast<size_t>(out - buffer_.get());
    }
}

bool Utf8Writer::finish() {
    if (pendingHigh_ != 0 && !failed_)
        putThreeBytes(pendingHigh_);
    pendingHigh_ = 0;
    flushBuffer();
    return !failed_;
}
