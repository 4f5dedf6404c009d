#include "core/xml/XmlMemoryStream.h"

#include "core/xml/Utf8Sequence.h"
#include "core/xml/XmlVectorScans.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdio>
#include <cstdlib>

namespace {

// Bytes that end a run of plain ASCII in the fast paths: non-ASCII, NUL and the two markup
// brackets after which a batch stops.
constexpr std::array<bool, 256> makeStopBytes() {
    std::array<bool, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[b] = b >= 0x80 || b == 0 || b == '<' || b == '>';
    }
    return table;
}
constexpr std::array<bool, 256> kStopByte = makeStopBytes();

inline bool endsBatch(wchar_t unit) {
    return unit == 0 || unit == L'<' || unit == L'>';
}

// The ANSI code page does not change while the program runs, so the upper half is converted
// once (thread-safe local static) instead of calling the platform for every byte.
const std::array<wchar_t, 128>& ansiUpperHalf() {
    static const std::array<wchar_t, 128> table = [] {
        std::array<wchar_t, 128> result{};
        for (int i = 0; i < 128; ++i) {
            const char byte = static_cast<char>(0x80 + i);
            wchar_t unit = 0;
            if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, &byte, 1, &unit, 1) != 1) {
                unit = 0;
            }
            result[i] = unit;
        }
        return result;
    }();
    return table;
}

// The longest byte sequence of one character: a batch tops the buffer up below this.
constexpr ptrdiff_t kLongestSequence = 4;

inline uint32_t zeroBytes(uint32_t w) {
    return (w - 0x01010101u) & ~w & 0x80808080u;
}

// A high bit in each of the four bytes that is non-ASCII or NUL (and possibly in bytes above a
// NUL: only the lowest flag is exact).
inline uint32_t specialBytes(uint32_t w) {
    return (w & 0x80808080u) | zeroBytes(w);
}

} // namespace

XmlMemoryStream::XmlMemoryStream(const void* data, int32_t encoding, int32_t length)
    : start_(static_cast<const uint8_t*>(data)),
      read_(start_),
      end_(start_ + (data != nullptr && length > 0 ? length : 0)),
      supplier_(nullptr),
      encoding_(encoding),
      decoder_(decoderFor(encoding)),
      batch_(start_),
      batchEnd_(start_) {}

XmlMemoryStream::XmlMemoryStream(int32_t encoding, BlockSupplier* supplier)
    : buffer_(new uint8_t[kBlockSize]),
      supplier_(supplier),
      encoding_(encoding),
      decoder_(decoderFor(encoding)) {
    start_ = read_ = end_ = batch_ = batchEnd_ = buffer_.get();
}

XmlMemoryStream::~XmlMemoryStream() = default;

XmlMemoryStream::Decoder XmlMemoryStream::decoderFor(int32_t encoding) {
    switch (encoding) {
    case kXmlEncodingAnsi: return &XmlMemoryStream::decodeAnsi;
    case kXmlEncodingUtf16Le: return &XmlMemoryStream::decodeUtf16<false>;
    case kXmlEncodingUtf8: return &XmlMemoryStream::decodeUtf8;
    case kXmlEncodingUtf16Be: return &XmlMemoryStream::decodeUtf16<true>;
    default: return &XmlMemoryStream::decodeNothing;
    }
}

uint16_t XmlMemoryStream::getChar() {
    wchar_t unit = 0;
    (this->*decoder_)(&unit, 1);
    return static_cast<uint16_t>(unit);
}

bool XmlMemoryStream::hadError() const {
    return error_;
}

int64_t XmlMemoryStream::position() const {
    return consumed_ + (read_ - start_);
}

int32_t XmlMemoryStream::encoding() const {
    return encoding_;
}

int32_t XmlMemoryStream::getChars(wchar_t* dest, int32_t room) {
    if (room <= 0) {
        return 0;
    }
    return (this->*decoder_)(dest, room);
}

bool XmlMemoryStream::refill(ptrdiff_t need) {
    if (supplier_ == nullptr) {
        return false;
    }
    uint8_t* buffer = buffer_.get();
    const ptrdiff_t kept = end_ - read_;
    consumed_ += read_ - start_;
    if (kept > 0 && read_ != buffer) {
        std::memmove(buffer, read_, static_cast<size_t>(kept));
    }
    start_ = buffer;
    read_ = buffer;
    end_ = buffer + kept;
    // A supplier may deliver fewer bytes than asked for; only an empty read ends the data.
    while (end_ - read_ < need) {
        const int32_t room = kBlockSize - static_cast<int32_t>(end_ - buffer);
        const int32_t got = supplier_->read(buffer + (end_ - buffer), room);
        if (got <= 0) {
            return false;
        }
        end_ += std::min(got, room);
    }
    return true;
}

int32_t XmlMemoryStream::decodeNothing(wchar_t* dest, int32_t) {
    dest[0] = 0;
    return 1;
}

int32_t XmlMemoryStream::decodeAnsi(wchar_t* dest, int32_t room) {
    const std::array<wchar_t, 128>& upper = ansiUpperHalf();
    int32_t count = 0;
    while (count < room) {
        if (read_ >= end_ && !refill(1)) {
            dest[count++] = 0;
            return count;
        }
        const uint8_t* p = read_;
        const uint8_t* limit = p + std::min<ptrdiff_t>(end_ - p, room - count);
        while (p < limit && !kStopByte[*p]) {
            dest[count++] = *p++;
        }
        read_ = p;
        if (p < limit) {
            const uint8_t b = *p;
            const wchar_t unit = b < 0x80 ? static_cast<wchar_t>(b) : upper[b - 0x80];
            dest[count++] = unit;
            ++read_;
            if (endsBatch(unit)) {
                return count;
            }
        }
    }
    return count;
}

template <bool kBigEndian>
int32_t XmlMemoryStream::decodeUtf16(wchar_t* dest, int32_t room) {
    int32_t count = 0;
    while (count < room) {
        // A last odd byte cannot form a unit: it is dropped and the data ends.
        if (end_ - read_ < 2 && !refill(2)) {
            dest[count++] = 0;
            return count;
        }
        const uint8_t* p = read_;
        const uint8_t* limit = p + 2 * std::min<ptrdiff_t>((end_ - p) / 2, room - count);
        while (p < limit) {
            const wchar_t unit = kBigEndian ? static_cast<wchar_t>((p[0] << 8) | p[1])
                                            : static_cast<wchar_t>(p[0] | (p[1] << 8));
            p += 2;
            dest[count++] = unit;
            if (endsBatch(unit)) {
                read_ = p;
                return count;
            }
        }
        read_ = p;
    }
    return count;
}

int32_t XmlMemoryStream::decodeUtf8(wchar_t* dest, int32_t room) {
    int32_t count = 0;
    if (pendingLow_ != 0) {
        dest[count++] = pendingLow_;
        pendingLow_ = 0;
    }
    while (count < room) {
        if (read_ >= end_ && !refill(1)) {
            dest[count++] = 0;
            return count;
        }
        const uint8_t* p = read_;
        const uint8_t* limit = p + std::min<ptrdiff_t>(end_ - p, room - count);
        while (p < limit && !kStopByte[*p]) {
            dest[count++] = *p++;
        }
        read_ = p;
        if (p == limit) {
            continue;
        }
        const uint8_t lead = *p;
        if (lead < 0x80) {
            dest[count++] = lead;
            ++read_;
            if (endsBatch(lead)) {
                return count;
            }
            continue;
        }
        // A damaged sequence leaves the read pointer on its lead byte, so that the position
        // tells where decoding stopped and every later call fails the same way.
        const ptrdiff_t need = utf8sequence::length(lead);
        uint32_t codePoint = 0;
        if (need == 0 || (end_ - read_ < need && !refill(need)) || !utf8sequence::decode(read_, need, codePoint)) {
            error_ = true;
            dest[count++] = 0;
            return count;
        }
        read_ += need;
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            dest[count++] = static_cast<wchar_t>(0xD800 + (codePoint >> 10));
            const wchar_t low = static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
            if (count < room) {
                dest[count++] = low;
            } else {
                pendingLow_ = low;
            }
            continue;
        }
        // Overlong forms are taken as they stand; an encoded NUL ends the data like a plain one.
        dest[count++] = static_cast<wchar_t>(codePoint);
        if (codePoint == 0) {
            return count;
        }
    }
    return count;
}

int32_t XmlMemoryStream::decodeBatch(wchar_t* dest, int32_t room, Shift* shifts, int32_t& shiftCount) {
    // Top up only when the bytes at hand may not hold a whole character; fewer than that after
    // the top-up means the data ends with them.
    if (supplier_ != nullptr && end_ - read_ < kLongestSequence) {
        refill(kLongestSequence);
    }
    const bool allAtHand = supplier_ == nullptr || end_ - read_ < kLongestSequence;
    batch_ = read_;
    batchPendingLow_ = pendingLow_;
    batchError_ = error_;
    shiftCount = 0;
    int32_t count;
    switch (encoding_) {
    case kXmlEncodingAnsi: count = batchAnsi(dest, room); break;
    case kXmlEncodingUtf16Le: count = batchUtf16<false>(dest, room, allAtHand); break;
    case kXmlEncodingUtf16Be: count = batchUtf16<true>(dest, room, allAtHand); break;
    case kXmlEncodingUtf8: count = batchUtf8(dest, room, shifts, shiftCount, allAtHand); break;
    default:
        dest[0] = 0;
        count = 1;
        break;
    }
    batchEnd_ = read_;
    return count;
}

int32_t XmlMemoryStream::unitBytes() const {
    return encoding_ == kXmlEncodingUtf16Le || encoding_ == kXmlEncodingUtf16Be ? 2 : 1;
}

void XmlMemoryStream::rewindBatch(int32_t units) {
    read_ = batch_;
    pendingLow_ = batchPendingLow_;
    error_ = batchError_;
    for (int32_t i = 0; i < units; ++i) {
        getChar();
    }
}

int32_t XmlMemoryStream::batchAnsi(wchar_t* dest, int32_t room) {
    const std::array<wchar_t, 128>& upper = ansiUpperHalf();
    const uint8_t* p = read_;
    const ptrdiff_t available = end_ - p;
    const uint8_t* const limit = p + (available < room ? available : room);
    wchar_t* d = dest;
    while (p < limit) {
        const uint8_t b = *p++;
        const wchar_t unit = b < 0x80 ? static_cast<wchar_t>(b) : upper[b - 0x80];
        *d++ = unit;
        if (unit == 0) {
            break; // a NUL, or a byte that the code page cannot convert, ends the data
        }
    }
    read_ = p;
    if (d == dest) {
        *d++ = 0; // the data has ended
    }
    return static_cast<int32_t>(d - dest);
}

template <bool kBigEndian>
int32_t XmlMemoryStream::batchUtf16(wchar_t* dest, int32_t room, bool allAtHand) {
    const uint8_t* p = read_;
    const ptrdiff_t available = (end_ - p) / 2;
    const uint8_t* const limit = p + 2 * (available < room ? available : room);
    wchar_t* d = dest;
    bool ended = false;
    while (p < limit) {
        const wchar_t unit = kBigEndian ? static_cast<wchar_t>((p[0] << 8) | p[1])
                                        : static_cast<wchar_t>(p[0] | (p[1] << 8));
        p += 2;
        *d++ = unit;
        if (unit == 0) {
            ended = true;
            break;
        }
    }
    read_ = p;
    // A last odd byte cannot form a unit: it is dropped and the data ends.
    if (!ended && d < dest + room && end_ - p < 2 && allAtHand) {
        *d++ = 0;
    }
    return static_cast<int32_t>(d - dest);
}

int32_t XmlMemoryStream::batchUtf8(wchar_t* dest, int32_t room, Shift* shifts, int32_t& shiftCount, bool allAtHand) {
    wchar_t* d = dest;
    wchar_t* const dEnd = dest + room;
    Shift* shift = shifts;
    const uint8_t* p = read_;
    const uint8_t* const e = end_;
    // Bytes minus units so far.
    int32_t extra = 0;
    if (pendingLow_ != 0) {
        *d++ = pendingLow_;
        pendingLow_ = 0;
        extra = -1; // its bytes came before the batch
        *shift++ = {1, extra};
    }
    while (d < dEnd) {
        // Long runs of plain ASCII sixteen bytes at a time, while the room allows.
        if (dEnd - d >= 32 && e - p >= 16) {
            const size_t plain = xml_vector_scans::copyPlainAscii(
                p, static_cast<size_t>(std::min<ptrdiff_t>(e - p, dEnd - d - 16)), d);
            p += plain;
            d += plain;
        }
        // Plain ASCII, four bytes at a time, up to the first byte that needs a closer look.
        while (e - p >= 4 && dEnd - d >= 4) {
            uint32_t w;
            std::memcpy(&w, p, 4);
            const uint32_t special = specialBytes(w);
            if (special != 0) {
                const int plain = __builtin_ctz(special) >> 3;
                for (int k = 0; k < plain; ++k) {
                    d[k] = static_cast<wchar_t>((w >> (8 * k)) & 0xFF);
                }
                d += plain;
                p += plain;
                break;
            }
            d[0] = static_cast<wchar_t>(w & 0xFF);
            d[1] = static_cast<wchar_t>((w >> 8) & 0xFF);
            d[2] = static_cast<wchar_t>((w >> 16) & 0xFF);
            d[3] = static_cast<wchar_t>(w >> 24);
            d += 4;
            p += 4;
        }
        if (d == dEnd) {
            break;
        }
        if (p == e) {
            if (allAtHand) {
                *d++ = 0; // the data has ended
            }
            break;
        }
        const uint8_t lead = *p;
        if (lead < 0x80) {
            *d++ = lead;
            ++p;
            if (lead == 0) {
                break;
            }
            continue;
        }
        // A damaged sequence leaves p on its lead byte, as getChar does.
        const ptrdiff_t need = utf8sequence::length(lead);
        if (need != 0 && e - p < need && !allAtHand) {
            break; // the rest of the character comes with the next batch
        }
        uint32_t codePoint = 0;
        const bool valid = need != 0 && e - p >= need && utf8sequence::decode(p, need, codePoint);
        if (!valid) {
            error_ = true;
            *d++ = 0;
            break;
        }
        if (codePoint >= 0x10000) {
            if (dEnd - d < 2) {
                break; // the pair goes whole into the next batch
            }
            codePoint -= 0x10000;
            d[0] = static_cast<wchar_t>(0xD800 + (codePoint >> 10));
            d[1] = static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
            d += 2;
            extra += static_cast<int32_t>(need) - 2;
        } else {
            // Overlong forms are taken as they stand; an encoded NUL ends the data like a plain one.
            *d++ = static_cast<wchar_t>(codePoint);
            extra += static_cast<int32_t>(need) - 1;
        }
        p += need;
        *shift++ = {static_cast<int32_t>(d - dest), extra};
        if (codePoint == 0) {
            break;
        }
    }
    read_ = p;
    shiftCount = static_cast<int32_t>(shift - shifts);
    return static_cast<int32_t>(d - dest);
}
