#include "core/tests/XmlTestSupport.h"

#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"
#include "core/tests/TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

using xmltest::BytesSupplier;
using xmltest::RecordingParser;

namespace {

// Remembers each tu start tag's positions and the length of every delivered piece.
class PositionParser : public XmlParser {
public:
    std::vector<int32_t> unitStarts;
    std::vector<int64_t> byteOffsets;
    std::vector<size_t> pieces;
    std::vector<std::wstring> cdataPieces;
    std::wstring endNames;
    bool stopAtTuEnd = false;

    void startElement(const std::wstring& name, const XmlAttributes&, bool) override {
        if (name == L"tu") {
            unitStarts.push_back(markupStart());
            byteOffsets.push_back(markupByteOffset());
        }
    }
    void endElement(const std::wstring& name, bool) override {
        endNames += name + L";";
        if (stopAtTuEnd && name == L"tu") {
            stop();
        }
    }
    void characterData(const std::wstring& text) override { pieces.push_back(text.size()); }
    void cdata(const std::wstring& text) override { cdataPieces.push_back(text); }
};

std::string encode(const std::wstring& text, int32_t encoding) {
    if (encoding == kXmlEncodingUtf8) {
        return xmltest::utf8(text);
    }
    std::string bytes;
    for (const wchar_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += encoding == kXmlEncodingUtf16Le ? low : high;
        bytes += encoding == kXmlEncodingUtf16Le ? high : low;
    }
    return bytes;
}

std::wstring tmxOfManyUnits(int count) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx><body>\n";
    for (int i = 0; i < count; ++i) {
        text += L"<tu tuid=\"" + std::to_wstring(i) + L"\"><tuv xml:lang=\"de\"><seg>Stra\x00dfe " +
                std::to_wstring(i) + L" \x20ac &amp; \xD83D\xDE00</seg></tuv></tu>\n";
    }
    return text + L"</body></tmx>\n";
}

using testfiles::TempFile;

} // namespace

// Byte offsets of markup are file offsets, however many 16,384-byte blocks lie before it and
// whatever the width of the characters.
TEST(XmlParserLimitsTest, MarkupOffsetsStayFileOffsetsAcrossBlocks) {
    const std::wstring text = tmxOfManyUnits(2500);
    struct Case {
        int32_t encoding;
        std::string bom;
    };
    const Case cases[] = {
        {kXmlEncodingUtf8, "\xEF\xBB\xBF"},
        {kXmlEncodingUtf8, ""},
        {kXmlEncodingUtf16Le, "\xFF\xFE"},
        {kXmlEncodingUtf16Be, std::string("\xFE\xFF", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        const std::string bytes = c.bom + encode(text, c.encoding);
        ASSERT_GT(bytes.size(), 8u * XmlMemoryStream::kBlockSize);
        std::vector<int32_t> expectedUnits;
        std::vector<int64_t> expectedBytes;
        size_t encodedUpTo = 0;
        size_t encodedBytes = c.bom.size();
        for (size_t at = text.find(L"<tu "); at != std::wstring::npos; at = text.find(L"<tu ", at + 1)) {
            encodedBytes += encode(text.substr(encodedUpTo, at - encodedUpTo), c.encoding).size();
            encodedUpTo = at;
            expectedUnits.push_back(static_cast<int32_t>(at));
            expectedBytes.push_back(static_cast<int64_t>(encodedBytes));
        }
        TempFile file(bytes);
        XmlFileStream stream(file.path(), c.bom.empty() ? c.encoding : 0);
        ASSERT_EQ(stream.encoding(), c.encoding);
        PositionParser parser;
        EXPECT_TRUE(parser.parse(stream));
        EXPECT_EQ(parser.unitStarts, expectedUnits);
        EXPECT_EQ(parser.byteOffsets, expectedBytes);
        EXPECT_EQ(stream.position(), static_cast<int64_t>(bytes.size()));
    }
}

namespace {

// "<r>", then count spaces, then "<tu/></r>", made up as it is read.
class FarTagSupplier : public XmlMemoryStream::BlockSupplier {
public:
    explicit FarTagSupplier(uint64_t count) : spacesLeft_(count) {}
    int32_t read(uint8_t* dest, int32_t room) override {
        int32_t n = 0;
        while (n < room) {
            if (headAt_ < head_.size()) {
                dest[n++] = static_cast<uint8_t>(head_[headAt_++]);
            } else if (spacesLeft_ > 0) {
                const int32_t run = static_cast<int32_t>(std::min<uint64_t>(spacesLeft_, static_cast<uint64_t>(room - n)));
                std::memset(dest + n, ' ', static_cast<size_t>(run));
                n += run;
                spacesLeft_ -= static_cast<uint64_t>(run);
            } else if (tailAt_ < tail_.size()) {
                dest[n++] = static_cast<uint8_t>(tail_[tailAt_++]);
            } else {
                break;
            }
        }
        return n;
    }

private:
    const std::string head_ = "<r>";
    const std::string tail_ = "<tu/></r>";
    size_t headAt_ = 0;
    size_t tailAt_ = 0;
    uint64_t spacesLeft_;
};

} // namespace

// Byte offsets are kept in full: markup beyond 2 GiB (where a 32-bit offset turns negative) is
// reported where it is.
TEST(XmlParserLimitsTest, ByteOffsetsPastTwoGibibytesAreExact) {
    const uint64_t spaces = (uint64_t(1) << 31) + 5;
    FarTagSupplier supplier(spaces);
    XmlMemoryStream stream(kXmlEncodingUtf8, &supplier);
    PositionParser parser;
    EXPECT_TRUE(parser.parse(stream));
    EXPECT_EQ(parser.byteOffsets, std::vector<int64_t>{static_cast<int64_t>(3 + spaces)});
    EXPECT_EQ(stream.position(), static_cast<int64_t>(3 + spaces + 9));
}

TEST(XmlParserLimitsTest, LongTextAndCdataArriveInPiecesOfTheBlockSize) {
    const std::wstring text(70000, L'x');
    const std::string bytes = xmltest::utf8(L"<r>" + text + L"</r><![CDATA[" + text + L"]]>");
    XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
    PositionParser parser;
    EXPECT_TRUE(parser.parse(stream));
    EXPECT_EQ(parser.pieces, (std::vector<size_t>{65536, 4464}));
    ASSERT_EQ(parser.cdataPieces.size(), 2u);
    EXPECT_EQ(parser.cdataPieces[0].size(), 65536u);
    EXPECT_EQ(parser.cdataPieces[1].size(), 4464u);

    // A text of exactly one block is one piece.
    const std::string exact = xmltest::utf8(L"<r>" + std::wstring(65536, L'y') + L"</r>");
    XmlMemoryStream exactStream(exact.data(), kXmlEncodingUtf8, static_cast<int32_t>(exact.size()));
    PositionParser exactParser;
    EXPECT_TRUE(exactParser.parse(exactStream));
    EXPECT_EQ(exactParser.pieces, (std::vector<size_t>{65536}));
}

TEST(XmlParserLimitsTest, NamesAndValuesOfTheBlockSizeAreTooLarge) {
    const std::wstring longest(65535, L'n');
    struct Case {
        std::wstring input;
        int32_t errorCode;
    };
    const Case cases[] = {
        {L"<" + longest + L"/>", 0},
        {L"<" + longest + L"n/>", kXmlErrorBlockTooLarge},
        // The quotes are collected with the value.
        {L"<r a='" + std::wstring(65533, L'v') + L"'/>", 0},
        {L"<r a='" + std::wstring(65534, L'v') + L"'/>", kXmlErrorBlockTooLarge},
        {L"<r a=" + longest + L"v>", kXmlErrorBlockTooLarge},
        {L"<?xml version='" + longest + L"'?>", kXmlErrorBlockTooLarge},
        {L"<!DOCTYPE" + longest + L"x>", kXmlErrorBlockTooLarge},
    };
    for (const Case& c : cases) {
        const std::string bytes = xmltest::utf8(c.input);
        XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
        RecordingParser parser;
        EXPECT_EQ(parser.parse(stream), c.errorCode == 0);
        EXPECT_EQ(parser.errorCode(), c.errorCode) << c.input.size();
    }
}

// An unclosed comment in a huge file must not grow without bound.
TEST(XmlParserLimitsTest, CommentsAreCappedAt16MiUnits) {
    constexpr size_t kLimit = 16u * 1024 * 1024;
    std::string bytes = "<r><!--";
    bytes.append(kLimit, 'c');
    bytes += "-->";
    {
        // Exactly at the limit the closing "--" no longer fits.
        XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
        RecordingParser parser;
        EXPECT_FALSE(parser.parse(stream));
        EXPECT_EQ(parser.errorCode(), kXmlErrorBlockTooLarge);
        EXPECT_EQ(parser.errorPosition(), static_cast<int32_t>(7 + kLimit));
        EXPECT_EQ(parser.joined(), L"start r {} | error");
    }
    bytes.erase(7, 2);
    {
        XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
        PositionParser parser;
        EXPECT_TRUE(parser.parse(stream));
    }
}

// A file whose bytes stop decoding part-way must not pass for a whole, shorter document.
TEST(XmlParserLimitsTest, UndecodableBytesFailTheParse) {
    struct Case {
        std::string bytes;
        const wchar_t* events;
        int32_t position;
    };
    const Case cases[] = {
        {"<r>ab\xFF" "cd</r>", L"start r {} | error", 5},
        {"<r>ab\xC3", L"start r {} | error", 5},
        {"<r a='\x80'/>", L"error", 6},
        {"<!-- \xF8 -->", L"error", 5},
        {"<r>&amp\xF8", L"start r {} | error", 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        XmlMemoryStream stream(c.bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(c.bytes.size()));
        RecordingParser parser;
        EXPECT_FALSE(parser.parse(stream));
        EXPECT_EQ(parser.errorCode(), kXmlErrorUnsupportedEncoding);
        EXPECT_EQ(parser.errorPosition(), c.position);
        EXPECT_EQ(parser.joined(), c.events);
        EXPECT_EQ(xmlErrorText(parser.errorCode()), L"Unsupported encoding");
    }

    // The same through a file, with the damage in the third block.
    std::string bytes = "<r>" + std::string(3 * XmlMemoryStream::kBlockSize, 'a') + "\xED\x80</r>";
    TempFile file(bytes);
    XmlFileStream stream(file.path(), kXmlEncodingUtf8);
    PositionParser parser;
    EXPECT_FALSE(parser.parse(stream));
    EXPECT_EQ(parser.errorCode(), kXmlErrorUnsupportedEncoding);
    EXPECT_TRUE(stream.hadError());
}

// The entry reader reads one tu per parse and stops at its end tag; the next parse goes on
// from Content with fresh positions.
TEST(XmlParserLimitsTest, StopEndsTheParseAtTheCurrentUnit) {
    const std::string first = "<tu a='1'><seg>x</seg></tu><tu a='2'></tu>";
    const std::string second = "  <tu a='3'></tu>";
    PositionParser parser;
    parser.stopAtTuEnd = true;
    XmlMemoryStream one(first.data(), kXmlEncodingUtf8, static_cast<int32_t>(first.size()));
    EXPECT_TRUE(parser.parse(one));
    EXPECT_EQ(parser.endNames, L"seg;tu;");
    EXPECT_EQ(parser.unitStarts, (std::vector<int32_t>{0}));
    XmlMemoryStream two(second.data(), kXmlEncodingUtf8, static_cast<int32_t>(second.size()));
    EXPECT_TRUE(parser.parse(two));
    EXPECT_EQ(parser.endNames, L"seg;tu;tu;");
    EXPECT_EQ(parser.unitStarts, (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(parser.byteOffsets, (std::vector<int64_t>{0, 2}));

    // Without a stop, a finished parse calls onDocumentEnd and the parser can read again.
    RecordingParser reader;
    XmlMemoryStream three(second.data(), kXmlEncodingUtf8, static_cast<int32_t>(second.size()));
    EXPECT_TRUE(reader.parse(three));
    XmlMemoryStream four(second.data(), kXmlEncodingUtf8, static_cast<int32_t>(second.size()));
    EXPECT_TRUE(reader.parse(four));
    EXPECT_EQ(reader.joined(), L"text [  ] | start tu {a=3} | end tu | done | text [  ] | "
                               L"start tu {a=3} | end tu | done");
}

// A stop through the flag (another thread's request) ends the parse at the next run of units,
// without an error code and without the end-of-document callback; a later parse starts afresh.
TEST(XmlParserLimitsTest, TheStopFlagEndsTheParseWithoutAnError) {
    const std::string text = "<tmx><tu a='1'></tu><tu a='2'></tu><tu a='3'></tu></tmx>";
    struct FlagParser : RecordingParser {
        std::atomic<bool>* flag = nullptr;
        void endElement(const std::wstring& name, bool isEmpty) override {
            RecordingParser::endElement(name, isEmpty);
            if (name == L"tu" && flag)
                flag->store(true); // as another thread would, at this moment
        }
    };
    const struct {
        const char* label;
        bool setBefore;
        bool setInParse;
        const wchar_t* events;
    } cases[] = {
        {"set before the parse", true, false, L""},
        {"set after the first unit", false, true, L"start tmx {} | start tu {a=1} | end tu"},
        {"never set", false, false,
         L"start tmx {} | start tu {a=1} | end tu | start tu {a=2} | end tu | start tu {a=3} | end tu | end tmx | done"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::atomic<bool> stop{c.setBefore};
        FlagParser parser;
        parser.setStopFlag(&stop);
        if (c.setInParse)
            parser.flag = &stop;
        XmlMemoryStream stream(text.data(), kXmlEncodingUtf8, static_cast<int32_t>(text.size()));
        const bool stopped = c.setBefore || c.setInParse;
        EXPECT_EQ(parser.parse(stream), !stopped);
        EXPECT_EQ(parser.stopped(), stopped);
        EXPECT_EQ(parser.errorCode(), 0);
        EXPECT_EQ(parser.joined(), c.events);
    }
    // The same parser reads on once the flag is down again.
    std::atomic<bool> stop{true};
    RecordingParser parser;
    parser.setStopFlag(&stop);
    XmlMemoryStream first(text.data(), kXmlEncodingUtf8, static_cast<int32_t>(text.size()));
    EXPECT_FALSE(parser.parse(first));
    stop = false;
    const std::string other = "<b/>";
    XmlMemoryStream second(other.data(), kXmlEncodingUtf8, static_cast<int32_t>(other.size()));
    EXPECT_TRUE(parser.parse(second));
    EXPECT_FALSE(parser.stopped());
}

// A supplier that hands over a few bytes at a time changes nothing that the parser sees.
TEST(XmlParserLimitsTest, ShortReadsDeliverTheSameEvents) {
    const std::wstring text = tmxOfManyUnits(40);
    const std::string bytes = xmltest::utf8(text);
    XmlMemoryStream whole(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
    RecordingParser expected;
    expected.withPositions = true;
    EXPECT_TRUE(expected.parse(whole));
    BytesSupplier supplier(bytes, 3);
    XmlMemoryStream pieces(kXmlEncodingUtf8, &supplier);
    RecordingParser actual;
    actual.withPositions = true;
    EXPECT_TRUE(actual.parse(pieces));
    EXPECT_EQ(actual.events, expected.events);
}
