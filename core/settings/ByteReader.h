#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The little-endian byte forms shared by the settings file and the clipboard format:
// u16-counted UTF-16LE strings and 16-bit counts in one to three bytes.

// A bounded cursor over bytes. Reading past the end reads zeros, consumes nothing and marks
// the cursor failed, so a parser can check once after a group of reads.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : pos_(data), end_(data + size) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes) : ByteReader(bytes.data(), bytes.size()) {}

    size_t remaining() const { return static_cast<size_t>(end_ - pos_); }
    bool atEnd() const { return pos_ == end_; }
    bool failed() const { return failed_; }
    void fail() { failed_ = true; }

    uint8_t readU8();
    uint16_t readU16();
    uint32_t readU32();
    int32_t readI32() { return static_cast<int32_t>(readU32()); }
    // The next n bytes, or null (and the cursor failed) when fewer are left.
    const uint8_t* readBytes(size_t n);

private:
    const uint8_t* pos_;
    const uint8_t* end_;
    bool failed_ = false;
};

// A growable byte buffer with room for 1024 bytes reserved.
std::vector<uint8_t> makeByteBuffer();

void writeU8(std::vector<uint8_t>& out, uint8_t value);
void writeU16(std::vector<uint8_t>& out, uint16_t value);
void writeU32(std::vector<uint8_t>& out, uint32_t value);

// One byte up to 126, two up to 2046, three above (the limits are 126 and 2046, not 127
// and 2047, so the forms are not quite UTF-8's).
void writeVarint(std::vector<uint8_t>& out, uint16_t value);
// A malformed form reads as 0 with its bytes consumed; running out of bytes fails the cursor.
uint16_t readVarint(ByteReader& in);

// The number of units that writeString keeps of a text (at most 65535).
size_t storedStringUnits(const std::wstring& text);
// The bytes that writeString appends for a text.
inline size_t stringByteSize(const std::wstring& text) { return 2 + 2 * storedStringUnits(text); }
// A u16 count of UTF-16 units, then the units; a longer text is cut to its first 65535.
void writeString(std::vector<uint8_t>& out, const std::wstring& text);
// False (the cursor failed, the text unchanged) when the count runs past the end.
bool readString(ByteReader& in, std::wstring& text);
