// The parser reads a stream that decodes through a memory stream in large batches, and any
// other stream in the short runs of getChars. Here every reading of the fast kind is held
// against the same bytes handed to the parser one unit at a time, which only its machine reads:
// the same callbacks with the same names, attributes, texts and positions, the same end (error
// code and position, unit index), and the stream left where a reading in runs leaves it.

#include "core/tests/TestFiles.h"
#include "core/tests/XmlTestSupport.h"

#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"
#include "core/xml/XmlPieces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using xmltest::BytesSupplier;

namespace {

// The plain reading: the inner stream's units handed to the parser one at a time, so that none
// of its shortcuts ever has more than the unit at hand and its machine reads every unit. Where a
// parse ends inside a run of getChars (stopped, or failed), a stream read in runs stands at the
// run's end; endRun() reads on to the same place.
class ReferenceStream : public XmlStream {
public:
    explicit ReferenceStream(std::unique_ptr<XmlStream> inner) : inner_(std::move(inner)) {}
    uint16_t getChar() override {
        const uint16_t unit = inner_->getChar();
        inRun_ = unit == L'<' || unit == L'>' || unit == 0 || inRun_ + 1 == kRunUnits ? 0 : inRun_ + 1;
        return unit;
    }
    int32_t getChars(wchar_t* dest, int32_t room) override {
        if (room <= 0)
            return 0;
        dest[0] = static_cast<wchar_t>(getChar());
        return 1;
    }
    bool hadError() const override { return inner_->hadError(); }
    int64_t position() const override { return inner_->position(); }
    int32_t encoding() const override { return inner_->encoding(); }
    bool decodingFailed() const override { return inner_->decodingFailed(); }

    void endRun() {
        while (inRun_ != 0)
            getChar();
    }

private:
    // The most units that the parser asks getChars for at a time.
    static constexpr int32_t kRunUnits = 2048;
    std::unique_ptr<XmlStream> inner_;
    int32_t inRun_ = 0; // units of the current run handed out so far
};

// One line per callback with all that a reader can ask at that moment, including the stream's
// position at the '>' of tags and comments (document rewriting takes it as the end of a tag).
class TracingParser : public XmlParser {
public:
    std::vector<std::wstring> trace;
    XmlStream* stream = nullptr;
    bool ended = false;
    // stop() in the callback with this number (counted over every parse), or in every one.
    int stopAt = -1;
    bool stopEverywhere = false;

    void processingInstruction(const std::wstring& target, const XmlAttributes& attributes) override {
        record(L"pi " + target + attributesText(attributes), false);
    }
    void comment(const std::wstring& text) override { record(L"comment [" + text + L"]", true); }
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override {
        record(L"start " + name + attributesText(attributes) + (isEmpty ? L" empty" : L""), true);
    }
    void endElement(const std::wstring& name, bool isEmpty) override {
        record(L"end " + name + (isEmpty ? L" empty" : L""), true);
    }
    void characterData(const std::wstring& text) override {
        // At a '<' the stream stands just after it; a piece cut at the block size has no such
        // place.
        record(L"text [" + text + L"]", markupStart() < 0 && text.size() < 65536);
    }
    void cdata(const std::wstring& text) override { record(L"cdata [" + text + L"]", false); }
    void onDocumentEnd() override {
        ended = true;
        record(L"done", false);
    }
    void onParseError() override {
        ended = true;
        record(L"error", false);
    }

    // Reads the stream; after each stop, reads on from where the stop left it.
    void readToTheEnd(XmlStream& source) {
        ended = false;
        do {
            read(source);
        } while (!ended && !stopped());
    }

    // Parses and adds a line with how the parse ended and where it left the stream.
    void read(XmlStream& source) {
        stream = &source;
        const bool ok = parse(source);
        if (ReferenceStream* reference = dynamic_cast<ReferenceStream*>(&source))
            reference->endRun();
        keep(L"parse " + std::to_wstring(ok) + L" code " + std::to_wstring(errorCode()) + L" at " +
                        std::to_wstring(errorPosition()) + L" unit " + std::to_wstring(unitIndex()) +
                        L" stream " + std::to_wstring(source.position()) + L" failed " +
                        std::to_wstring(source.hadError()));
    }

    // Keeps a hash of each line instead of the line, for documents of many megabytes.
    bool hashLines = false;
    std::vector<uint64_t> hashes;

private:
    static std::wstring attributesText(const XmlAttributes& attributes) {
        std::wstring text = L" {";
        for (size_t i = 0; i < attributes.size(); ++i)
            text += attributes.nameAt(i) + L"=" + attributes.valueAt(i) + L";";
        return text + L"}";
    }
    void record(std::wstring line, bool withStreamPosition) {
        line += L" @" + std::to_wstring(markupStart()) + L"+" + std::to_wstring(markupLength()) + L" #" +
                std::to_wstring(markupByteOffset()) + L" u" + std::to_wstring(unitIndex());
        if (withStreamPosition)
            line += L" p" + std::to_wstring(stream->position());
        keep(line);
        if (stopEverywhere || events_++ == stopAt)
            stop();
    }
    void keep(const std::wstring& line) {
        if (!hashLines) {
            trace.push_back(line);
            return;
        }
        uint64_t hash = 14695981039346656037ull;
        for (const wchar_t unit : line)
            hash = (hash ^ static_cast<uint16_t>(unit)) * 1099511628211ull;
        hashes.push_back(hash);
    }
    int events_ = 0;
};

// Fails with the first line in which two traces differ.
void expectSameTrace(const std::vector<std::wstring>& fast, const std::vector<std::wstring>& reference) {
    size_t i = 0;
    while (i < fast.size() && i < reference.size() && fast[i] == reference[i])
        ++i;
    if (i == fast.size() && i == reference.size())
        return;
    const auto line = [](const std::vector<std::wstring>& trace, size_t at) {
        const std::wstring text = at < trace.size() ? trace[at].substr(0, 300) : L"(none)";
        return testing::PrintToString(text);
    };
    ADD_FAILURE() << "first difference in line " << i << " of " << fast.size() << " and " << reference.size()
                  << ":\n  batched:      " << line(fast, i) << "\n  unit by unit: " << line(reference, i);
}

std::string encode(const std::wstring& text, int32_t encoding) {
    if (encoding == kXmlEncodingUtf8)
        return xmltest::utf8(text);
    std::string bytes;
    for (const wchar_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        if (encoding == kXmlEncodingAnsi) {
            bytes += low;
        } else {
            bytes += encoding == kXmlEncodingUtf16Le ? low : high;
            bytes += encoding == kXmlEncodingUtf16Le ? high : low;
        }
    }
    return bytes;
}

// Ways to read bytes: each makes a fresh stream over them.
struct Reading {
    const char* label;
    std::function<std::unique_ptr<XmlStream>(const std::string& bytes, int32_t encoding)> make;
};

std::vector<Reading> readings() {
    std::vector<Reading> all;
    all.push_back({"one block", [](const std::string& bytes, int32_t encoding) -> std::unique_ptr<XmlStream> {
                       return std::make_unique<XmlMemoryStream>(bytes.data(), encoding, static_cast<int32_t>(bytes.size()));
                   }});
    for (const int32_t largestRead : {1 << 30, 4099, 7, 1}) {
        all.push_back({"supplied blocks", [largestRead](const std::string& bytes, int32_t encoding) -> std::unique_ptr<XmlStream> {
                           struct Supplied : XmlMemoryStream {
                               Supplied(std::unique_ptr<BytesSupplier> supplier, int32_t encoding)
                                   : XmlMemoryStream(encoding, supplier.get()), supplier_(std::move(supplier)) {}
                               std::unique_ptr<BytesSupplier> supplier_;
                           };
                           return std::make_unique<Supplied>(std::make_unique<BytesSupplier>(bytes, largestRead), encoding);
                       }});
    }
    all.push_back({"piece", [](const std::string& bytes, int32_t encoding) -> std::unique_ptr<XmlStream> {
                       struct Piece : XmlPieceStream {
                           Piece(std::unique_ptr<std::vector<uint8_t>> bytes, int32_t encoding)
                               : XmlPieceStream(*bytes, encoding, 1000), bytes_(std::move(bytes)) {}
                           std::unique_ptr<std::vector<uint8_t>> bytes_;
                       };
                       return std::make_unique<Piece>(std::make_unique<std::vector<uint8_t>>(bytes.begin(), bytes.end()),
                                                      encoding);
                   }});
    return all;
}

// Reads the bytes batched and unit by unit with parsers set up alike; expects the same traces.
// Each parser reads the stream to its end, going on after each stop, then a second document.
void expectSameReading(const Reading& reading, const std::string& bytes, int32_t encoding,
                       const std::function<void(TracingParser&)>& setUp = nullptr) {
    const std::string next = encode(L"<n a='1'>z</n>", encoding);
    const auto run = [&](bool batched) {
        TracingParser parser;
        if (setUp)
            setUp(parser);
        std::unique_ptr<XmlStream> stream = reading.make(bytes, encoding);
        if (!batched)
            stream = std::make_unique<ReferenceStream>(std::move(stream));
        EXPECT_EQ(stream->memorySource() != nullptr, batched);
        parser.readToTheEnd(*stream);
        std::unique_ptr<XmlStream> second = reading.make(next, encoding);
        if (!batched)
            second = std::make_unique<ReferenceStream>(std::move(second));
        parser.read(*second);
        return parser.trace;
    };
    expectSameTrace(run(true), run(false));
}

const int32_t kEncodings[] = {kXmlEncodingUtf8, kXmlEncodingUtf16Le, kXmlEncodingUtf16Be, kXmlEncodingAnsi};

// Documents that reach every corner of the machine: declarations, document types, comments,
// CDATA, references, quoting, blanks, and the ways a document can end early or fail.
std::vector<std::wstring> documents() {
    std::vector<std::wstring> all = {
        L"<?xml version=\"1.0\" encoding='UTF-8'?>\n<?xml-stylesheet href='a.xsl' type=\"text/xsl\"?>\n"
        L"<!DOCTYPE tmx [ <!ENTITY x 'y'> ]>\n<tmx version=\"1.4\"><header srclang=en-GB o-tmf=\"a&amp;b\" "
        L"euro='&#x20AC;&#128512;' /><body>\n"
        L"<tu tuid=\"1\" creationdate=\"20190821T125013Z\"><tuv xml:lang=\"de\"><seg>Gr\x00fc\x00df" L"e &amp; "
        L"&lt;b&gt; &#8364; &#x1F600; &unknown; &amp</seg></tuv>\n"
        L"<tuv xml:lang = 'fr' ><seg>\"quoted\" 'text'</seg ></tuv></tu>\n"
        L"<!-- a comment with <tags>, & and > --><![CDATA[<b>a]]b]]]><![cdata[x]]>"
        L"<tu a=\"x>y<z\" b='it''s' c=plain d=\"q\"z e=/><x/><y /><z a=''/>"
        L"<r>/path</r><e></e><ns:a_b.c-d>t</ns:a_b.c-d   ></body></tmx>\n",
        L"<a x='1' x='2' b=\"&quot;&apos;\">&#0;&#xD800;&#1114112;&verylongname;&a b</a>",
        L"<a>\"both\"</a><a>'one\"</a><a>''</a><a b=\"\"/><a b='&amp;'/><a b=\"'x'\"/>",
        L"<a\tb\r\n=\n'1'\r>\r\n</a\t>",
        L"<a><b c='1' d></b></a>",
        L"<a>text<?php x?></a>",
        L"<a><!-- unclosed",
        L"<a><!---->",
        L"<a><![CDATA[ unclosed",
        L"<a>&amp",
        L"<a b='unclosed",
        L"<a b=",
        L"<a b",
        L"<a>te",
        L"<1a/>",
        L"</a   >",
        L"<a/ >",
        L"<!x>",
        L"<!-x",
        L"<?xm>",
        L"<?xml version = '1.0'?>",
        L"<a b=/>",
        L"<a b=>",
        L"<a =''>",
        L"<a>&#;&#x;&#xZ;&#12a;</a>",
        L"",
        L"just text",
        L"<a b='\x00e9\x20ac\xD83D\xDE00'>\x00e9\x20ac\xD83D\xDE00\xDBFF\xDFFF</a>",
        L"<a>" + std::wstring(70000, L'x') + L"</a><![CDATA[" + std::wstring(70000, L'c') + L"]]>",
        L"<" + std::wstring(65535, L'n') + L"/><" + std::wstring(65536, L'n') + L"/>",
        L"<a b='" + std::wstring(65533, L'v') + L"'/><a b='" + std::wstring(65534, L'v') + L"'/>",
        L"<!DOCTYPE" + std::wstring(70000, L'd') + L">",
        L"<a>" + std::wstring(5000, L' ') + L"<b/>" + std::wstring(3000, L'y') + L"&amp;" + std::wstring(3000, L'y') + L"</a>",
    };
    return all;
}

// Reads a file batched and unit by unit, with a stop in every callback or none; expects the
// same traces (or, for large files, the same hashes of their lines).
void expectSameFile(const std::wstring& path, bool stops, bool hashLines) {
    const auto run = [&](bool batched) {
        TracingParser parser;
        parser.stopEverywhere = stops;
        parser.hashLines = hashLines;
        std::unique_ptr<XmlStream> stream = std::make_unique<XmlFileStream>(path, 0);
        if (!batched)
            stream = std::make_unique<ReferenceStream>(std::move(stream));
        parser.readToTheEnd(*stream);
        return std::make_pair(std::move(parser.trace), std::move(parser.hashes));
    };
    const auto batched = run(true);
    const auto reference = run(false);
    expectSameTrace(batched.first, reference.first);
    const std::vector<uint64_t>& fast = batched.second;
    const std::vector<uint64_t>& plain = reference.second;
    const auto mismatch = std::mismatch(fast.begin(), fast.end(), plain.begin(), plain.end());
    EXPECT_TRUE(mismatch.first == fast.end() && mismatch.second == plain.end())
        << "first difference in line " << (mismatch.first - fast.begin()) << " of " << fast.size() << " and "
        << plain.size();
}

} // namespace

TEST(XmlBatchReadingTest, EveryDocumentReadsAsUnitByUnitInEveryEncoding) {
    const std::vector<Reading> all = readings();
    for (const std::wstring& document : documents()) {
        for (const int32_t encoding : kEncodings) {
            const std::string bytes = encode(document, encoding);
            for (const Reading& reading : all) {
                SCOPED_TRACE(testing::PrintToString(document.substr(0, 80)) + " encoding " + std::to_string(encoding) +
                             " " + reading.label);
                expectSameReading(reading, bytes, encoding);
            }
        }
    }
}

// A parse stopped from a callback leaves the stream where the unit-by-unit reading leaves it:
// just after the '>' or '<' it stopped at, so that the next parse of the same stream goes on
// from there.
TEST(XmlBatchReadingTest, StopsLeaveTheStreamWhereUnitByUnitReadingDoes) {
    const std::vector<Reading> all = readings();
    for (const std::wstring& document : documents()) {
        if (document.size() > 20000)
            continue;
        for (const int32_t encoding : {kXmlEncodingUtf8, kXmlEncodingUtf16Be}) {
            const std::string bytes = encode(document, encoding);
            for (const Reading& reading : {all[0], all[3]}) {
                SCOPED_TRACE(testing::PrintToString(document.substr(0, 80)) + " encoding " + std::to_string(encoding) +
                             " " + reading.label);
                expectSameReading(reading, bytes, encoding, [](TracingParser& parser) { parser.stopEverywhere = true; });
                for (int at = 0; at < 12; ++at)
                    expectSameReading(reading, bytes, encoding, [at](TracingParser& parser) { parser.stopAt = at; });
            }
        }
    }
    // Pieces of long texts and CDATA sections end in the middle of a run of units.
    const std::string bytes = encode(L"<a>" + std::wstring(70000, L'x') + L"</a><![CDATA[" + std::wstring(70000, L'c') +
                                         L"]]><b/><c/>", kXmlEncodingUtf8);
    for (int at = 0; at < 6; ++at)
        expectSameReading(all[0], bytes, kXmlEncodingUtf8, [at](TracingParser& parser) { parser.stopAt = at; });
}

// Bytes that do not decode: the same events up to them, the same error, the stream stopped on
// the same byte.
TEST(XmlBatchReadingTest, DamagedBytesReadAsUnitByUnit) {
    const struct {
        const char* label;
        std::string bytes;
        int32_t encoding;
    } cases[] = {
        {"continuation as lead", "<a>ok\x80</a>", kXmlEncodingUtf8},
        {"cut in a value", "<a b='\xC3'/>", kXmlEncodingUtf8},
        {"five-byte lead", "<a>\xF8\x88\x80\x80\x80</a>", kXmlEncodingUtf8},
        {"cut by the end", "<a>x\xE2\x82", kXmlEncodingUtf8},
        {"cut four-byte by the end", "<a>x\xF0\x9F\x98", kXmlEncodingUtf8},
        {"encoded NUL", "<a>\xC0\x80</a>", kXmlEncodingUtf8},
        {"overlong", "<a>\xC1\x81\xE0\x81\x81</a>", kXmlEncodingUtf8},
        {"lone surrogate", "<a>\xED\xA0\x80</a>", kXmlEncodingUtf8},
        {"beyond U+10FFFF", "<a>\xF4\x90\x80\x80</a>", kXmlEncodingUtf8},
        {"NUL byte", std::string("<a>x\0y</a>", 10), kXmlEncodingUtf8},
        {"damage after a stop place", "<a></a>\xFF", kXmlEncodingUtf8},
        {"NUL in a long run", "<a>" + std::string(37, 'x') + std::string(1, '\0') + std::string(40, 'y') + "</a>", kXmlEncodingUtf8},
        {"damage in a long run", "<a>" + std::string(38, 'x') + "\xFF" + std::string(40, 'y') + "</a>", kXmlEncodingUtf8},
        {"long runs between characters", "<a>" + std::string(33, 'x') + "\xC3\xA9" + std::string(17, 'y') + "\xF0\x9F\x98\x80" +
                                             std::string(64, 'z') + "</a>", kXmlEncodingUtf8},
        {"odd last byte", std::string("<\0a\0>\0x", 7), kXmlEncodingUtf16Le},
        {"odd last byte", std::string("\0<\0a\0>x", 7), kXmlEncodingUtf16Be},
        {"lone high surrogate", std::string("<\0a\0>\0\0\xD8x\0<\0/\0a\0>\0", 16), kXmlEncodingUtf16Le},
        {"lone low surrogate", std::string("\0<\0a\0>\xDC\0\0x", 10), kXmlEncodingUtf16Be},
        {"NUL unit", std::string("<\0a\0>\0\0\0x\0", 10), kXmlEncodingUtf16Le},
        {"upper half", "<a b='\xE9'>\xFC\x80\x81\x8D\x90\x9D\xFF</a>", kXmlEncodingAnsi},
        {"NUL byte", std::string("<a>\0</a>", 8), kXmlEncodingAnsi},
    };
    const std::vector<Reading> all = readings();
    for (const auto& c : cases) {
        for (const Reading& reading : all) {
            SCOPED_TRACE(std::string(c.label) + " " + reading.label);
            expectSameReading(reading, c.bytes, c.encoding);
            expectSameReading(reading, c.bytes, c.encoding, [](TracingParser& parser) { parser.stopEverywhere = true; });
        }
    }
}

// Multi-byte sequences, surrogate pairs, tags and stop places fall on every offset around the
// borders of the stream's blocks and of the parser's batches: a piece of markup shifted by one
// unit at a time, repeated past the first block of 16,384 bytes.
TEST(XmlBatchReadingTest, SplitSequencesAtEveryBorder) {
    const std::wstring piece = L"<a b='\x00e9\xD83D\xDE00'>\x20ac\x00e9\xD83D\xDE00t&amp;</a>";
    std::wstring body;
    for (int i = 0; i < 560; ++i)
        body += piece;
    // A text that brings the stop places near the first block's end in a short document.
    const auto filler = [](int32_t encoding) {
        return L"<p>" + std::wstring(encoding == kXmlEncodingUtf8 ? 15600 : 7800, L'x') + L"</p>";
    };
    std::wstring stops;
    for (int i = 0; i < 40; ++i)
        stops += piece;
    const std::vector<Reading> all = readings();
    for (const int32_t encoding : {kXmlEncodingUtf8, kXmlEncodingUtf16Le, kXmlEncodingUtf16Be}) {
        const std::string bytesOfPiece = encode(piece, encoding);
        for (size_t shift = 0; shift <= bytesOfPiece.size() / (encoding == kXmlEncodingUtf8 ? 1 : 2); ++shift) {
            const std::wstring lead = L"<r>" + std::wstring(shift, L' ');
            const std::string bytes = encode(lead + body + L"</r>", encoding);
            const std::string stopping = encode(lead + stops + filler(encoding) + stops + L"</r>", encoding);
            for (const Reading& reading : {all[0], all[1], all[3]}) {
                SCOPED_TRACE(std::string(reading.label) + " encoding " + std::to_string(encoding) + " shift " +
                             std::to_string(shift));
                expectSameReading(reading, bytes, encoding);
                expectSameReading(reading, stopping, encoding, [](TracingParser& parser) { parser.stopEverywhere = true; });
            }
        }
    }
}

// The encoding fixtures, and a file of many blocks, read through files.
TEST(XmlBatchReadingTest, FilesReadAsUnitByUnit) {
    for (const char* name : {"utf8_bom.xml", "utf8_decl.xml", "utf8_nodecl.xml", "utf8_single_quotes.xml",
                             "utf16le_bom.xml", "utf16le_decl.xml", "utf16le_nodecl.xml", "utf16be_bom.xml",
                             "utf16be_decl.xml", "utf16be_nodecl.xml", "ansi_decl.xml", "ansi_short.xml",
                             "one_byte.xml", "missing.xml"}) {
        SCOPED_TRACE(name);
        for (const bool stops : {false, true})
            expectSameFile(testfiles::dataPath(testfiles::widen("xml/") + testfiles::widen(name)), stops, false);
    }

    std::wstring text = L"<?xml version=\"1.0\"?>\n<tmx><body>\n";
    for (int i = 0; i < 1500; ++i) {
        text += L"<tu tuid=\"" + std::to_wstring(i) + L"\"><tuv xml:lang=\"de\"><seg>Stra\x00df" L"e " +
                std::to_wstring(i) + L" \x20ac &amp; \xD83D\xDE00</seg></tuv></tu>\n";
    }
    text += L"</body></tmx>\n";
    for (const auto& file : {std::string("\xEF\xBB\xBF") + encode(text, kXmlEncodingUtf8),
                             std::string("\xFF\xFE") + encode(text, kXmlEncodingUtf16Le),
                             std::string("\xFE\xFF") + encode(text, kXmlEncodingUtf16Be)}) {
        ASSERT_GT(file.size(), 4u * XmlMemoryStream::kBlockSize);
        testfiles::TempFile temp(file);
        SCOPED_TRACE(file.size());
        for (const bool stops : {false, true})
            expectSameFile(temp.path(), stops, false);
    }
}

// Real translation memories and documents as their tools write them: document types, line feeds
// and tabs in segments, character references, CJK and Cyrillic text, UTF-16 both ways. The larger
// memory is read without stops (a parse per callback would take minutes unit by unit).
TEST(XmlBatchReadingTest, RealFilesReadAsUnitByUnit) {
    if (!testfiles::exists(testfiles::corpusPath(L"")))
        GTEST_SKIP() << "no ../shared/corpus beside the project";
    const struct {
        const char* name;
        bool withStops;
    } files[] = {
        {"fr-small.tmx", true},
        {"fr-small-utf16le.tmx", true},
        {"fr-small-utf16be.tmx", true},
        {"xliff/sed-en-de.xlf", true},
        {"xliff/grep-en-ja.xlf", true},
        {"xliff/diffutils-en-ru-partial.xlf", true},
        {"multi-b.tmx", false},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const std::wstring path = testfiles::corpusPath(testfiles::widen(file.name));
        ASSERT_TRUE(testfiles::exists(path));
        expectSameFile(path, false, true);
        if (file.withStops)
            expectSameFile(path, true, true);
    }
}
