#include "core/settings/ByteReader.h"

uint8_t ByteReader::readU8() {
    if (pos_ == end_) {
        failed_ = true;
        return 0;
    }
    return *pos_++;
}

uint16_t ByteReader::readU16() {
    const uint8_t* p = readBytes(2);
    return p ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
}

uint32_t ByteReader::readU32() {
    const uint8_t* p = readBytes(4);
    return p ? static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                   (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24)
             : 0;
}

const uint8_t* ByteReader::readBytes(size_t n) {
    if (n > remaining()) {
        failed_ = true;
        return nullptr;
    }
    const uint8_t* start = pos_;
    pos_ += n;
    return start;
}

std::vector<uint8_t> makeByteBuffer() {
    std::vector<uint8_t> buffer;
    buffer.reserve(1024);
    return buffer;
}

void writeU8(std::vector<uint8_t>& out, uint8_t value) { out.push_back(value); }

void writeU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void writeU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void writeVarint(std::vector<uint8_t>& out, uint16_t value) {
    if (value <= 126) {
        out.push_back(static_cast<uint8_t>(value));
    } else if (value <= 2046) {
        out.push_back(static_cast<uint8_t>(0xC0 | (value >> 6)));
        out.push_back(static_cast<uint8_t>(0x80 | (value & 0x3F)));
    } else {
        out.push_back(static_cast<uint8_t>(0xE0 | (value >> 12)));
        out.push_back(static_cast<uint8_t>(0x80 | ((value >> 6) & 0x3F)));
        out.push_back(static_cast<uint8_t>(0x80 | (value & 0x3F)));
    }
}

uint16_t readVarint(ByteReader& in) {
    const uint8_t lead = in.readU8();
    if (lead < 0x80) return lead;
    if ((lead & 0xE0) == 0xC0) {
        const uint8_t next = in.readU8();
        if ((next & 0xC0) != 0x80) return 0;
        return static_cast<uint16_t>(((lead << 6) & 0x7FF) | (next & 0x3F));
    }
    if ((lead & 0xF0) == 0xE0) {
        const uint8_t second = in.readU8();
        const uint8_t third = in.readU8();
        if ((second & 0xC0) != 0x80 || (third & 0xC0) != 0x80) return 0;
        return static_cast<uint16_t>((lead << 12) | ((second << 6) & 0xFFF) | (third & 0x3F));
    }
    return 0;
}

size_t storedStringUnits(const std::wstring& text) {
    return text.size() < 0xFFFF ? text.size() : 0xFFFF;
}

void writeString(std::vector<uint8_t>& out, const std::wstring& text) {
    const size_t units = storedStringUnits(text);
    writeU16(out, static_cast<uint16_t>(units));
    for (size_t i = 0; i < units; ++i) writeU16(out, static_cast<uint16_t>(text[i]));
}

bool readString(ByteReader& in, std::wstring& text) {
    const uint16_t units = in.readU16();
    const uint8_t* p = in.readBytes(2 * static_cast<size_t>(units));
    if (!p || in.failed()) return false;
    text.resize(units);
    for (size_t i = 0; i < units; ++i) text[i] = static_cast<wchar_t>(p[2 * i] | (p[2 * i + 1] << 8));
    return true;
}
