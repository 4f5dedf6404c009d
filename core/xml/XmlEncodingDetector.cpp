#include "core/xml/XmlEncodingDetector.h"

#include "core/xml/Utf8Sequence.h"
#include "core/xml/XmlStream.h"

#include <string>

namespace {

// A declaration is short; one that does not end within this many bytes is not read.
constexpr size_t kDeclarationWindow = 256;
// Beyond this many well-formed multi-byte sequences the sample is taken for UTF-8 at once.
constexpr int kSequencesForUtf8 = 10;

bool isXmlBlank(uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

uint8_t lowered(uint8_t c) {
    return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c - 'A' + 'a') : c;
}

// The length of the well-formed multi-byte sequence at p (the bytes up to end), 0 when there is
// none; -1 when the bytes end inside what may be one.
ptrdiff_t wellFormedSequenceAt(const uint8_t* p, const uint8_t* end) {
    const ptrdiff_t need = utf8sequence::length(*p);
    if (need == 0) {
        return 0;
    }
    if (end - p < need) {
        for (const uint8_t* q = p + 1; q < end; ++q) {
            if (!utf8sequence::isContinuation(*q)) {
                return 0;
            }
        }
        return -1;
    }
    uint32_t codePoint = 0;
    return utf8sequence::isWellFormed(p, need, codePoint) ? need : 0;
}

} // namespace

int32_t XmlEncodingDetector::declaredEncoding(const uint8_t* bytes, size_t length) {
    std::string text;
    for (size_t i = 0; i < length && i < kDeclarationWindow; ++i) {
        text += static_cast<char>(lowered(bytes[i]));
    }
    size_t at = 0;
    while (at < text.size() && isXmlBlank(static_cast<uint8_t>(text[at]))) {
        ++at;
    }
    // "<?xml" must be 8-bit text: a byte-order mark or UTF-16 without one is not read here.
    if (text.compare(at, 5, "<?xml") != 0 || at + 5 >= text.size() ||
        !isXmlBlank(static_cast<uint8_t>(text[at + 5]))) {
        return kXmlEncodingNone;
    }
    const size_t end = text.find("?>", at);
    if (end == std::string::npos) {
        return kXmlEncodingNone;
    }
    const std::string declaration = text.substr(at, end - at);
    size_t pos = declaration.find("encoding");
    if (pos == std::string::npos) {
        return kXmlEncodingNone;
    }
    pos += 8;
    const auto skipBlanks = [&] {
        while (pos < declaration.size() && isXmlBlank(static_cast<uint8_t>(declaration[pos]))) {
            ++pos;
        }
    };
    skipBlanks();
    if (pos >= declaration.size() || declaration[pos] != '=') {
        return kXmlEncodingNone;
    }
    ++pos;
    skipBlanks();
    if (pos >= declaration.size() || (declaration[pos] != '"' && declaration[pos] != '\'')) {
        return kXmlEncodingNone;
    }
    const size_t close = declaration.find(declaration[pos], pos + 1);
    if (close == std::string::npos) {
        return kXmlEncodingNone;
    }
    const std::string name = declaration.substr(pos + 1, close - pos - 1);
    if (name == "utf-8" || name == "utf8") {
        return kXmlEncodingUtf8;
    }
    if (name.empty() || name.compare(0, 6, "utf-16") == 0 || name.compare(0, 3, "ucs") == 0) {
        return kXmlEncodingNone;
    }
    return kXmlEncodingAnsi;
}

bool XmlEncodingDetector::isMultiByteUtf8(const uint8_t* bytes, size_t length, bool fileEndsThere) {
    const uint8_t* p = bytes;
    const uint8_t* const end = bytes + length;
    bool multiByte = false;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const ptrdiff_t sequence = wellFormedSequenceAt(p, end);
        if (sequence < 0) {
            return !fileEndsThere && multiByte;
        }
        if (sequence == 0) {
            return false;
        }
        multiByte = true;
        p += sequence;
    }
    return multiByte;
}

bool XmlEncodingDetector::detect(const uint8_t* bytes, size_t length, bool fileEndsThere,
                                 int32_t& encoding, int32_t& bomLength) {
    bomLength = 0;
    if (length < 2) {
        return false;
    }
    if (length > kSampleBytes) {
        length = kSampleBytes;
        fileEndsThere = false;
    }
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
        encoding = kXmlEncodingUtf16Le;
        bomLength = 2;
        return true;
    }
    if (bytes[0] == 0xFE && bytes[1] == 0xFF) {
        encoding = kXmlEncodingUtf16Be;
        bomLength = 2;
        return true;
    }
    if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        encoding = kXmlEncodingUtf8;
        bomLength = 3;
        return true;
    }
    if (encoding != kXmlEncodingNone) {
        return true;
    }
    const int32_t declared = declaredEncoding(bytes, length);
    if (declared != kXmlEncodingNone) {
        encoding = declared;
        return true;
    }
    // Past the declaration's room: bytes below 0x10 cluster on one parity in UTF-16 text, and
    // many well-formed multi-byte sequences betray UTF-8 early.
    const size_t first = kBomBytes + kDeclarationBytes;
    int small[2] = {1, 1};
    int sequences = 0;
    for (size_t i = first; i < length; ++i) {
        const uint8_t b = bytes[i];
        const int parity = static_cast<int>(i & 1);
        if ((b & 0xF0) == 0) {
            ++small[parity];
            if (small[parity] / small[parity ^ 1] > 16) {
                encoding = parity == 1 ? kXmlEncodingUtf16Le : kXmlEncodingUtf16Be;
                return true;
            }
        } else if (b >= 0xC0 && wellFormedSequenceAt(bytes + i, bytes + length) > 0 &&
                   ++sequences > kSequencesForUtf8) {
            encoding = kXmlEncodingUtf8;
            return true;
        }
    }
    // XML without a declaration is UTF-8; bytes that cannot be UTF-8 (or hold only ASCII, which
    // reads the same either way as far as the sample goes) stay with the system's code page.
    encoding = isMultiByteUtf8(bytes, length, fileEndsThere) ? kXmlEncodingUtf8 : kXmlEncodingAnsi;
    return true;
}
