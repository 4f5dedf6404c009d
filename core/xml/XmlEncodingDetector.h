#pragma once

#include <cstddef>
#include <cstdint>

// Works out the encoding of an XML file from its first bytes: the one rule for every file the
// programs read (memories, groups, documents), so that they all agree on what a file holds.
class XmlEncodingDetector {
public:
    // The bytes a detection looks at: three for a byte-order mark, a hundred for the
    // declaration, and a sample for the statistics.
    static constexpr size_t kBomBytes = 3;
    static constexpr size_t kDeclarationBytes = 100;
    static constexpr size_t kStatisticsBytes = 20480;
    static constexpr size_t kSampleBytes = kBomBytes + kDeclarationBytes + kStatisticsBytes;

    // bytes are the first length bytes of a file (at most kSampleBytes are looked at);
    // fileEndsThere tells that the file has no more. encoding is the caller's expectation on
    // entry (0: none) and the result on success; bomLength is 0, 2 or 3. In order: a byte-order
    // mark, the caller's expectation, the declaration, UTF-16 by the zero bytes of its ASCII,
    // UTF-8 by its multi-byte sequences, else ANSI. False for fewer than two bytes.
    static bool detect(const uint8_t* bytes, size_t length, bool fileEndsThere, int32_t& encoding,
                       int32_t& bomLength);

    // The encoding that an XML declaration at the start of the bytes names, written as XML
    // allows (blanks around "=", either quote, any letter case): UTF-8 for "utf-8", ANSI for
    // any other single-byte name; 0 without a declaration, without a name, or for UTF-16.
    static int32_t declaredEncoding(const uint8_t* bytes, size_t length);

    // Whether the bytes are UTF-8 with at least one multi-byte sequence; a sequence cut off at
    // the end counts as whole unless the file ends there.
    static bool isMultiByteUtf8(const uint8_t* bytes, size_t length, bool fileEndsThere);
};
