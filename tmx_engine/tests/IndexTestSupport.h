#pragma once

#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/WordTokenizer.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace indextest {

inline Segment segmentOf(const std::wstring& text) {
    Segment s;
    appendTokens(s, text);
    return s;
}

// The small index of the byte-exact fixture: two target languages, four entries.
inline void fillSmallBuilder(TmxIndexBuilder& b) {
    b.header().version = L"1.4";
    b.header().creationTool = L"T";
    b.header().creationToolVersion = L"1";
    b.header().creationDate = parsePackedDate(L"20240115T103045Z");
    b.header().oTmf = L"x";
    b.header().srcLang = L"en";
    PackedDate tmxDate;
    tmxDate.set(2024, 2, 3, 4, 5, 6);
    b.setTmxDate(tmxDate);
    b.setEncoding(3);
    b.addLanguage(L"de");
    b.addLanguage(L"fr");
    const wchar_t de = b.languagePrefix(L"de");
    const wchar_t fr = b.languagePrefix(L"fr");
    const Segment redCar = segmentOf(L"Red car");
    b.addEntry(L"en", redCar, de, 100);
    b.addEntry(L"en", redCar, fr, 100);
    b.addEntry(L"en", segmentOf(L"The red cab."), de, 300);
    b.addEntry(L"en", segmentOf(L"Red \U0001F697"), de, 500);
}

// Little-endian byte layout written field by field.
class Layout {
public:
    std::vector<uint8_t> data;

    size_t offset() const { return data.size(); }
    Layout& bytes(std::initializer_list<uint8_t> b) {
        data.insert(data.end(), b.begin(), b.end());
        return *this;
    }
    Layout& u16(uint16_t v) { return bytes({uint8_t(v), uint8_t(v >> 8)}); }
    Layout& u32(uint32_t v) { return bytes({uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
    Layout& text(const std::wstring& s) {
        u16(static_cast<uint16_t>(s.size()));
        for (wchar_t c : s)
            u16(static_cast<uint16_t>(c));
        return *this;
    }
    Layout& date(unsigned y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s) {
        return u16(uint16_t(y)).bytes({uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), uint8_t(s), 0});
    }
    Layout& entry(uint32_t tuOffset, uint16_t elements, uint16_t words) {
        return u32(tuOffset).u16(elements).u16(words);
    }
    Layout& zeros(size_t n) {
        data.insert(data.end(), n, 0);
        return *this;
    }
    Layout& node(wchar_t unit, std::initializer_list<uint32_t> postings, uint32_t sibling,
                 uint32_t child) {
        u32((uint32_t(postings.size()) << 16) | static_cast<uint16_t>(unit)).u32(sibling).u32(child);
        for (uint32_t p : postings)
            u32(p);
        return *this;
    }
    Layout& put32(size_t at, uint32_t v) {
        std::memcpy(&data[at], &v, 4);
        return *this;
    }
};

inline uint32_t get32(const std::vector<uint8_t>& d, size_t at) {
    uint32_t v;
    std::memcpy(&v, &d[at], 4);
    return v;
}

inline void set32(std::vector<uint8_t>& d, size_t at, uint32_t v) { std::memcpy(&d[at], &v, 4); }
inline void set16(std::vector<uint8_t>& d, size_t at, uint16_t v) { std::memcpy(&d[at], &v, 2); }

} // namespace indextest
