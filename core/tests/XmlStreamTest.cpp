#include "core/tests/XmlTestSupport.h"

#include "core/xml/XmlEncodingDetector.h"
#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"
#include "core/tests/TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using xmltest::BytesSupplier;
using xmltest::RecordingParser;

namespace {

std::wstring dataPath(const char* name) {
    const std::string path = std::string(TEST_DATA_DIR) + "/xml/" + name;
    return std::wstring(path.begin(), path.end());
}

using testfiles::TempFile;

// Every unit up to the first 0, with the position after each.
std::wstring drain(XmlStream& stream, std::vector<int32_t>* positions = nullptr) {
    std::wstring units;
    for (;;) {
        const uint16_t unit = stream.getChar();
        if (unit == 0) {
            return units;
        }
        units += static_cast<wchar_t>(unit);
        if (positions != nullptr) {
            positions->push_back(stream.position());
        }
    }
}

// The ANSI code page depends on the machine: expectations convert byte by byte, as the
// stream does.
std::wstring ansiUnits(const std::string& bytes) {
    std::wstring units;
    for (const char byte : bytes) {
        wchar_t unit = static_cast<unsigned char>(byte);
        if (unit >= 0x80 && MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, &byte, 1, &unit, 1) != 1) {
            unit = 0;
        }
        if (unit == 0) {
            break;
        }
        units += unit;
    }
    return units;
}

const wchar_t kDocumentSegments[] =
    L"Gr\x00fc\x00df" L"e aus K\x00f6ln: Stra\x00df" L"e, \x00c4pfel, \x00d6l, \x00dc" L"bung|"
    L"D\x00e9j\x00e0 vu, gar\x00e7on, na\x00efve, cr\x00e8me br\x00fbl\x00e9" L"e, se\x00f1or, "
    L"caf\x00e9, o\x00f9, \x00ea" L"tre|"
    L"\x20ac 5 \x2013 \x201cok\x201d \xD83D\xDE00|";

class SegmentCollector : public XmlParser {
public:
    std::wstring segments;
    bool inSeg = false;
    void startElement(const std::wstring& name, const XmlAttributes&, bool) override {
        inSeg = name == L"seg";
    }
    void endElement(const std::wstring& name, bool) override {
        if (name == L"seg") {
            segments += L"|";
            inSeg = false;
        }
    }
    void characterData(const std::wstring& text) override {
        if (inSeg) {
            segments += text;
        }
    }
};

} // namespace

TEST(XmlStreamTest, EncodingIsDetectedFromBomDeclarationOrBytes) {
    struct Case {
        const char* file;
        int32_t encoding;
        int32_t bomLength;
    };
    static const Case cases[] = {
        {"utf8_bom.xml", kXmlEncodingUtf8, 3},
        {"utf8_decl.xml", kXmlEncodingUtf8, 0},
        {"utf8_nodecl.xml", kXmlEncodingUtf8, 0},
        {"utf16le_bom.xml", kXmlEncodingUtf16Le, 2},
        {"utf16le_decl.xml", kXmlEncodingUtf16Le, 0},
        {"utf16le_nodecl.xml", kXmlEncodingUtf16Le, 0},
        {"utf16be_bom.xml", kXmlEncodingUtf16Be, 2},
        {"utf16be_decl.xml", kXmlEncodingUtf16Be, 0},
        {"utf16be_nodecl.xml", kXmlEncodingUtf16Be, 0},
        {"ansi_short.xml", kXmlEncodingAnsi, 0},
        {"ansi_decl.xml", kXmlEncodingAnsi, 0},
        {"utf8_single_quotes.xml", kXmlEncodingUtf8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        int32_t encoding = 0;
        int32_t bomLength = -1;
        ASSERT_TRUE(XmlFileStream::detectEncoding(dataPath(c.file), encoding, bomLength));
        EXPECT_EQ(encoding, c.encoding);
        EXPECT_EQ(bomLength, c.bomLength);

        XmlFileStream stream(dataPath(c.file));
        EXPECT_EQ(stream.encoding(), c.encoding);
        EXPECT_FALSE(stream.hadError());
        EXPECT_EQ(stream.fileSize(), static_cast<int32_t>(testfiles::readText(dataPath(c.file)).size()));
        EXPECT_EQ(stream.getChar(), '<');
        const int32_t unitBytes = c.encoding == kXmlEncodingUtf16Le || c.encoding == kXmlEncodingUtf16Be ? 2 : 1;
        EXPECT_EQ(stream.position(), c.bomLength + unitBytes);
    }
}

TEST(XmlStreamTest, EveryUnicodeEncodingDeliversTheSameDocument) {
    for (const char* file : {"utf8_bom.xml", "utf8_decl.xml", "utf8_nodecl.xml", "utf16le_bom.xml",
                             "utf16le_decl.xml", "utf16le_nodecl.xml", "utf16be_bom.xml",
                             "utf16be_decl.xml", "utf16be_nodecl.xml"}) {
        SCOPED_TRACE(file);
        XmlFileStream stream(dataPath(file));
        SegmentCollector parser;
        EXPECT_TRUE(parser.parse(stream));
        EXPECT_EQ(parser.segments, kDocumentSegments);
    }
}

TEST(XmlStreamTest, AnsiFilesConvertByteByByte) {
    for (const char* file : {"ansi_short.xml", "ansi_decl.xml"}) {
        SCOPED_TRACE(file);
        XmlFileStream stream(dataPath(file));
        EXPECT_EQ(drain(stream), ansiUnits(testfiles::readText(dataPath(file))));
        EXPECT_FALSE(stream.hadError());
    }
}

// A UTF-8 file declared with single quotes, whose text beyond ASCII is all three-byte
// sequences: the guess alone would take it for ANSI.
TEST(XmlStreamTest, ASingleQuotedUtf8DeclarationIsReadAsUtf8) {
    XmlFileStream stream(dataPath("utf8_single_quotes.xml"));
    SegmentCollector parser;
    EXPECT_TRUE(parser.parse(stream));
    std::wstring expected;
    for (int i = 0; i < 6; ++i)
        expected += L"\x20ac\x2013\x201c\x201d\x2018\x2019\x2026";
    EXPECT_EQ(parser.segments, expected + L"|");
}

TEST(XmlStreamTest, CallerEncodingStandsUnlessTheFileHasABom) {
    XmlFileStream withBom(dataPath("utf16le_bom.xml"), kXmlEncodingUtf8);
    EXPECT_EQ(withBom.encoding(), kXmlEncodingUtf16Le);
    XmlFileStream declared(dataPath("utf8_decl.xml"), kXmlEncodingUtf16Be);
    EXPECT_EQ(declared.encoding(), kXmlEncodingUtf16Be);
    XmlFileStream ansi(dataPath("ansi_short.xml"), kXmlEncodingUtf8);
    EXPECT_EQ(ansi.encoding(), kXmlEncodingUtf8);
}

TEST(XmlStreamTest, MissingAndTooShortFilesReadAsEmptyDocuments) {
    for (const std::wstring& path : {dataPath("no_such_file.xml"), dataPath("one_byte.xml")}) {
        XmlFileStream stream(path);
        EXPECT_TRUE(stream.hadError());
        EXPECT_EQ(stream.getChar(), 0);
        EXPECT_EQ(stream.encoding(), kXmlEncodingNone);
        EXPECT_EQ(stream.fileSize(), 0);
        XmlFileStream again(path);
        RecordingParser parser;
        EXPECT_TRUE(parser.parse(again));
        EXPECT_EQ(parser.joined(), L"done");
    }
    int32_t encoding = 0;
    int32_t bomLength = 0;
    EXPECT_FALSE(XmlFileStream::detectEncoding(dataPath("no_such_file.xml"), encoding, bomLength));
}

TEST(XmlStreamTest, StatisticsTellUtf16FromUtf8AndAnsi) {
    // Beyond the first 103 bytes, zero bytes on one parity mark UTF-16, and the eleventh
    // well-formed multi-byte sequence decides for UTF-8 whatever follows; short of that, the
    // bytes must be UTF-8 throughout.
    const std::string padding(103, 'x');
    std::string zeroFirst;
    for (int i = 0; i < 2000; ++i) {
        zeroFirst += '\0';
        zeroFirst += static_cast<char>('a' + i % 26);
    }
    std::string pairs10 = padding;
    std::string pairs11 = padding;
    std::string threeByte11 = padding;
    for (int i = 0; i < 10; ++i) {
        pairs10 += "\xC3\xA9 ";
        pairs11 += "\xC3\xA9 ";
        threeByte11 += "\xE2\x82\xAC";
    }
    pairs11 += "\xC3\xA9";
    threeByte11 += "\xF0\x9F\x98\x80";
    struct Case {
        const char* label;
        std::string bytes;
        int32_t encoding;
    };
    const Case cases[] = {
        {"zero bytes at odd offsets", padding + zeroFirst, kXmlEncodingUtf16Le},
        {"zero bytes at even offsets", padding + "x" + zeroFirst, kXmlEncodingUtf16Be},
        {"ten pairs, then a byte UTF-8 lacks", pairs10 + "\xE9", kXmlEncodingAnsi},
        {"eleven pairs, then a byte UTF-8 lacks", pairs11 + "\xE9", kXmlEncodingUtf8},
        {"ten three-byte and a four-byte sequence, then a stray byte", threeByte11 + "\xE9", kXmlEncodingUtf8},
        {"ten pairs and nothing else", pairs10, kXmlEncodingUtf8},
        {"declaration in capitals", "<?xml version=\"1.0\" ENCODING=\"UTF-8\"?>", kXmlEncodingUtf8},
        {"declaration in single quotes", "<?xml version=\"1.0\" encoding='UTF-8'?>", kXmlEncodingUtf8},
        {"declaration with blanks around =", "<?xml version=\"1.0\" encoding = \"UTF-8\"?>", kXmlEncodingUtf8},
        {"encoding= not in a declaration", std::string(101, ' ') + "encoding=\"utf-8\"", kXmlEncodingAnsi},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempFile file(c.bytes);
        int32_t encoding = 0;
        int32_t bomLength = -1;
        ASSERT_TRUE(XmlFileStream::detectEncoding(file.path(), encoding, bomLength));
        EXPECT_EQ(encoding, c.encoding);
        EXPECT_EQ(bomLength, 0);
    }
}

// XML without a declaration is UTF-8: bytes that are UTF-8 with at least one multi-byte
// sequence read as UTF-8, however few and however long their sequences; bytes that cannot be
// UTF-8 stay with the system's code page, as does plain ASCII.
TEST(XmlStreamTest, BytesThatAreUtf8ReadAsUtf8) {
    const std::string japanese = "<r>\xE7\x84\xA1\xE5\x8A\xB9\xE3\x81\xAA\xE6\x96\x87\xE5\xAD\x97</r>";
    const std::string padding(200, 'x');
    // A whole sample that ends in the first byte of a sequence.
    const std::string sampleEnd =
        japanese + std::string(XmlEncodingDetector::kSampleBytes - japanese.size() - 1, 'x') + "\xE7";
    struct Case {
        const char* label;
        std::string bytes;
        bool fileEndsThere;
        int32_t encoding;
    };
    const Case cases[] = {
        {"only three-byte sequences, short", japanese, true, kXmlEncodingUtf8},
        {"only three-byte sequences, after the declaration's room", padding + japanese, true, kXmlEncodingUtf8},
        {"one three-byte sequence", "<r>\xE2\x82\xAC 5</r>", true, kXmlEncodingUtf8},
        {"one four-byte sequence", padding + "\xF0\x9F\x98\x80", true, kXmlEncodingUtf8},
        {"one two-byte sequence in a short file", "<r>caf\xC3\xA9</r>", true, kXmlEncodingUtf8},
        {"a lone surrogate as the programs write it", "<r>\xED\xA0\x80</r>", true, kXmlEncodingUtf8},
        {"a sequence cut off by the sample", sampleEnd, false, kXmlEncodingUtf8},
        {"a sequence cut off by the end of the file", japanese + "\xE7\x84", true, kXmlEncodingAnsi},
        {"plain ASCII", padding, true, kXmlEncodingAnsi},
        {"a code-page letter", "<r>caf\xE9</r>", true, kXmlEncodingAnsi},
        {"UTF-8 and then a code-page letter", japanese + "caf\xE9", true, kXmlEncodingAnsi},
        {"code-page letters that look like a lead", "<r>\xE9t\xE9</r>", true, kXmlEncodingAnsi},
        {"an overlong form", "<r>\xC0\xAF</r>", true, kXmlEncodingAnsi},
        {"above U+10FFFF", "<r>\xF4\x90\x80\x80</r>", true, kXmlEncodingAnsi},
        {"a continuation byte alone", "<r>\x80</r>", true, kXmlEncodingAnsi},
        {"declared UTF-8 with blanks and single quotes", "<?xml version='1.0' encoding = 'utf-8' ?><r>caf\xE9</r>",
         true, kXmlEncodingUtf8},
        {"blanks before the declaration", "\r\n <?xml version='1.0' encoding='UTF-8'?><r/>", true, kXmlEncodingUtf8},
        {"declared code page wins over UTF-8 bytes", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + japanese,
         true, kXmlEncodingAnsi},
        {"declared UTF-16 in 8-bit bytes: the bytes decide", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + japanese,
         true, kXmlEncodingUtf8},
        {"no encoding in the declaration: the bytes decide", "<?xml version=\"1.0\"?>" + japanese, true,
         kXmlEncodingUtf8},
        {"a byte-order mark wins over the declaration", "\xFF\xFE<?xml version=\"1.0\" encoding=\"utf-8\"?>", true,
         kXmlEncodingUtf16Le},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        int32_t encoding = 0;
        int32_t bomLength = -1;
        ASSERT_TRUE(XmlEncodingDetector::detect(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(),
                                                c.fileEndsThere, encoding, bomLength));
        EXPECT_EQ(encoding, c.encoding);
    }

    // The file stream asks the same rule, and the Japanese text then reads as written.
    TempFile file(padding + japanese);
    XmlFileStream stream(file.path());
    EXPECT_EQ(stream.encoding(), kXmlEncodingUtf8);
    const std::wstring units = drain(stream);
    EXPECT_EQ(units.substr(padding.size()), L"<r>\x7121\x52b9\x306a\x6587\x5b57</r>");
    EXPECT_FALSE(stream.hadError());
}

TEST(XmlStreamTest, Utf8SequencesOfOneToFourBytes) {
    const std::string bytes = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xC1\x81z";
    XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
    std::vector<int32_t> positions;
    EXPECT_EQ(drain(stream, &positions), L"a\x00e9\x20ac\xD83D\xDE00\xDBFF\xDFFF" L"Az");
    EXPECT_EQ(positions, (std::vector<int32_t>{1, 3, 6, 10, 10, 14, 14, 16, 17}));
    EXPECT_FALSE(stream.hadError());
}

TEST(XmlStreamTest, DamagedUtf8StopsWithTheErrorFlagAtTheBadSequence) {
    struct Case {
        std::string bytes;
        int32_t position;
    };
    const Case cases[] = {
        {"ab\xF4\x90\x80\x80" "cd", 2}, // above U+10FFFF
        {"ab\xF5\x80\x80\x80", 2},
        {"ab\x80" "c", 2},
        {"ab\xC3" "c", 2},
        {"ab\xE2\x82" "c", 2},
        {"ab\xF0\x9F\x98" "c", 2},
        {"ab\xE2\x82", 2},   // cut off by the end of the data
        {"ab\xF0\x9F\x98", 2},
        {"ab\xC3", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        XmlMemoryStream stream(c.bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(c.bytes.size()));
        EXPECT_EQ(drain(stream), L"ab");
        EXPECT_TRUE(stream.hadError());
        EXPECT_EQ(stream.position(), c.position);
        EXPECT_EQ(stream.getChar(), 0);
        EXPECT_EQ(stream.position(), c.position);
    }
}

TEST(XmlStreamTest, Utf16AndAnsiUnits) {
    const std::string le("A\0\x3C\0\x3D\xD8\x00\xDE\x7F", 9);
    XmlMemoryStream littleEndian(le.data(), kXmlEncodingUtf16Le, 9);
    std::vector<int32_t> positions;
    EXPECT_EQ(drain(littleEndian, &positions), L"A<\xD83D\xDE00");
    EXPECT_EQ(positions, (std::vector<int32_t>{2, 4, 6, 8}));
    EXPECT_FALSE(littleEndian.hadError()); // the odd last byte is dropped
    EXPECT_EQ(littleEndian.position(), 8);

    const std::string be("\0A\x20\xAC", 4);
    XmlMemoryStream bigEndian(be.data(), kXmlEncodingUtf16Be, 4);
    EXPECT_EQ(drain(bigEndian), L"A\x20ac");

    const std::string ansi = "x<y";
    XmlMemoryStream plain(ansi.data(), kXmlEncodingAnsi, 3);
    EXPECT_EQ(drain(plain), L"x<y");
    EXPECT_EQ(plain.position(), 3);

    XmlMemoryStream nothing(ansi.data(), kXmlEncodingNone, 3);
    EXPECT_EQ(nothing.getChar(), 0);
    EXPECT_EQ(nothing.position(), 0);
    XmlMemoryStream unknown(ansi.data(), 7, 3);
    EXPECT_EQ(unknown.getChar(), 0);
    EXPECT_EQ(unknown.encoding(), 7);
}

TEST(XmlStreamTest, SequencesSplitAcrossBlocksDecodeWithFilePositions) {
    // The lead byte is the last of the first block, or the first two bytes are.
    for (int before : {XmlMemoryStream::kBlockSize - 1, XmlMemoryStream::kBlockSize - 2,
                       XmlMemoryStream::kBlockSize - 3}) {
        SCOPED_TRACE(before);
        const std::string bytes = std::string(static_cast<size_t>(before), 'a') + "\xE2\x82\xAC" +
                                  "\xF0\x9F\x98\x80" + "b";
        for (int32_t largestRead : {1 << 30, 7, 1}) {
            BytesSupplier supplier(bytes, largestRead);
            XmlMemoryStream stream(kXmlEncodingUtf8, &supplier);
            std::vector<int32_t> positions;
            const std::wstring units = drain(stream, &positions);
            ASSERT_EQ(units.size(), static_cast<size_t>(before) + 4);
            EXPECT_EQ(units.substr(static_cast<size_t>(before)), L"\x20ac\xD83D\xDE00" L"b");
            EXPECT_EQ(positions[static_cast<size_t>(before) - 1], before);
            EXPECT_EQ(positions[static_cast<size_t>(before)], before + 3);
            EXPECT_EQ(positions[static_cast<size_t>(before) + 1], before + 7);
            EXPECT_EQ(positions.back(), before + 8);
            EXPECT_FALSE(stream.hadError());
        }
    }
}

TEST(XmlStreamTest, Utf16UnitSplitAcrossBlocks) {
    std::string bytes;
    for (int i = 0; i < XmlMemoryStream::kBlockSize + 3; ++i) {
        bytes += static_cast<char>(i % 2 == 0 ? 'a' + (i / 2) % 26 : 0);
    }
    BytesSupplier supplier(bytes.substr(1), 1 << 30); // odd start: every unit straddles a block
    XmlMemoryStream stream(kXmlEncodingUtf16Be, &supplier);
    std::vector<int32_t> positions;
    const std::wstring units = drain(stream, &positions);
    EXPECT_EQ(units.size(), static_cast<size_t>(XmlMemoryStream::kBlockSize / 2 + 1));
    EXPECT_EQ(positions.back(), XmlMemoryStream::kBlockSize + 2);
    EXPECT_EQ(units[XmlMemoryStream::kBlockSize / 2 - 1], L'a' + (XmlMemoryStream::kBlockSize / 2) % 26);
}
