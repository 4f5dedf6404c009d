#include "filter_tool/tests/FilterTestSupport.h"

#include "core/events/HandlerHolder.h"
#include "core/util/Utf8Writer.h"
#include "core/xml/XmlMemoryStream.h"
#include "filter_tool/SiftonParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using filtertest::filterBytes;
using filtertest::filterText;
using filtertest::FilterRun;
using filtertest::ReadBack;
using filtertest::readBackBytes;
using filtertest::utf8;

namespace {

const wchar_t kHead[] = L"<tmx version=\"1.4\"><header srclang=\"en-US\"/><body>";
const wchar_t kTail[] = L"</body></tmx>";
const wchar_t kOutHead[] =
    L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<tmx version=\"1.4\">\n  <header srclang=\"en-US\"/>\n"
    L"  <body>\n";
const wchar_t kOutTail[] = L"  </body>\n</tmx>\n";

struct UnitCase {
    const wchar_t* name;
    const wchar_t* target;
    bool removeProps;
    const wchar_t* units;    // between <body> and </body> of an en-US document
    const wchar_t* expected; // the body's lines in the output
    int32_t written;
};

// Every text that a read of the output finds in a seg must be one of the input's, unchanged.
void expectSegmentsUnchanged(const std::string& input, const std::string& output, const wchar_t* name) {
    ReadBack in;
    ReadBack out;
    ASSERT_EQ(readBackBytes(input, in), 0) << name;
    ASSERT_EQ(readBackBytes(output, out), 0) << name << ": the output does not parse back";
    for (const std::wstring& segment : out.segments) {
        EXPECT_NE(std::find(in.segments.begin(), in.segments.end(), segment), in.segments.end())
            << name << ": " << testing::PrintToString(segment);
    }
}

} // namespace

TEST(SiftonParserTest, UnitsAreKeptOrDroppedAndLaidOut) {
    static const UnitCase cases[] = {
        {L"source and prefix target kept, other language dropped", L"de", false,
         L"<tu tuid=\"1\"><tuv xml:lang=\"en-US\"><seg>s</seg></tuv><tuv xml:lang=\"fr-FR\">"
         L"<seg>f</seg></tuv><tuv xml:lang=\"de-DE\"><seg>t</seg></tuv></tu>",
         L"    <tu tuid=\"1\">\n      <tuv xml:lang=\"en-US\">\n        <seg>s</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <seg>t</seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"only the source variant kept: unit dropped", L"de", false,
         L"<tu><tuv xml:lang=\"en-US\"><seg>s</seg></tuv><tuv xml:lang=\"fr-FR\"><seg>f</seg></tuv></tu>",
         L"", 0},
        {L"two target variants without source", L"de", false,
         L"<tu><tuv xml:lang=\"de-DE\"><seg>a</seg></tuv><tuv xml:lang=\"de-AT\"><seg>b</seg></tuv></tu>",
         L"    <tu>\n      <tuv xml:lang=\"de-DE\">\n        <seg>a</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-AT\">\n        <seg>b</seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"full code as target keeps only that region", L"de-AT", false,
         L"<tu><tuv xml:lang=\"en-US\"><seg>s</seg></tuv><tuv xml:lang=\"de-DE\"><seg>a</seg></tuv>"
         L"<tuv xml:lang=\"de-AT\"><seg>b</seg></tuv></tu>",
         L"    <tu>\n      <tuv xml:lang=\"en-US\">\n        <seg>s</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-AT\">\n        <seg>b</seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"codes compared after normalisation", L"de-DE", false,
         L"<tu><tuv xml:lang=\"EN-us\"><seg>s</seg></tuv><tuv xml:lang=\"DE-de\"><seg>t</seg></tuv></tu>",
         L"    <tu>\n      <tuv xml:lang=\"EN-us\">\n        <seg>s</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"DE-de\">\n        <seg>t</seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"empty target keeps every unit with two variants", L"", false,
         L"<tu><tuv xml:lang=\"fr-FR\"><seg>f</seg></tuv><tuv xml:lang=\"it-IT\"><seg>i</seg></tuv></tu>"
         L"<tu><tuv xml:lang=\"fr-FR\"><seg>alone</seg></tuv></tu>",
         L"    <tu>\n      <tuv xml:lang=\"fr-FR\">\n        <seg>f</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"it-IT\">\n        <seg>i</seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"whitespace between elements is dropped, seg text kept", L"de", false,
         L"\r\n\t<tu>\n  <tuv xml:lang=\"en-US\">\n    <seg> two  blanks </seg>\n  </tuv>\n"
         L"  <tuv xml:lang=\"de-DE\">\t<seg>\tTab</seg> </tuv>\n</tu>\n",
         L"    <tu>\n      <tuv xml:lang=\"en-US\">\n        <seg> two  blanks </seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <seg>\tTab</seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"empty elements stay self-closing and an empty kept tuv counts", L"de", false,
         L"<tu/><tu><note/><tuv xml:lang=\"en-US\"/><tuv xml:lang=\"fr-FR\"/><tuv xml:lang=\"de-DE\">"
         L"<prop type=\"e\"/><seg>t<ph x=\"1\"/></seg></tuv></tu>",
         L"    <tu>\n      <note/>\n      <tuv xml:lang=\"en-US\"/>\n      <tuv xml:lang=\"de-DE\">\n"
         L"        <prop type=\"e\"/>\n        <seg>t<ph x=\"1\"/></seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"props and notes each on one line with their text", L"de", false,
         L"<tu><prop type=\"a\">x &amp; y</prop><note>checked</note><tuv xml:lang=\"en-US\">"
         L"<prop type=\"b\">p</prop><seg>s</seg></tuv><tuv xml:lang=\"de-DE\"><seg>t</seg></tuv></tu>",
         L"    <tu>\n      <prop type=\"a\">x &amp; y</prop>\n      <note>checked</note>\n"
         L"      <tuv xml:lang=\"en-US\">\n        <prop type=\"b\">p</prop>\n        <seg>s</seg>\n"
         L"      </tuv>\n      <tuv xml:lang=\"de-DE\">\n        <seg>t</seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"props removed everywhere in a unit", L"de", true,
         L"<tu><prop type=\"a\">x <b>bold</b> y</prop><tuv xml:lang=\"en-US\"><prop type=\"b\">p</prop>"
         L"<prop type=\"e\"/><seg>s</seg></tuv><tuv xml:lang=\"de-DE\"><seg>t</seg></tuv></tu>",
         L"    <tu>\n      <tuv xml:lang=\"en-US\">\n        <seg>s</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <seg>t</seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"seg content unchanged: quotes, escapes and inline tags", L"de", false,
         L"<tu><tuv xml:lang=\"en-US\"><seg>\"Quoted\"</seg></tuv><tuv xml:lang=\"de-DE\"><seg>'it'"
         L"</seg></tuv></tu><tu><tuv xml:lang=\"en-US\"><seg>A &amp; \"B\" <bpt i=\"1\">&lt;b&gt;</bpt>"
         L"bold<ept i=\"1\">&lt;/b&gt;</ept> <ph/></seg></tuv><tuv xml:lang=\"de-DE\"><seg>x</seg>"
         L"</tuv></tu>",
         L"    <tu>\n      <tuv xml:lang=\"en-US\">\n        <seg>\"Quoted\"</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <seg>'it'</seg>\n      </tuv>\n    </tu>\n"
         L"    <tu>\n      <tuv xml:lang=\"en-US\">\n        <seg>A &amp; &quot;B&quot; <bpt i=\"1\">"
         L"&lt;b&gt;</bpt>bold<ept i=\"1\">&lt;/b&gt;</ept> <ph/></seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <seg>x</seg>\n      </tuv>\n    </tu>\n",
         2},
        {L"attribute quoting", L"de", false,
         L"<tu tuid='a\"b' x=\"it's\" y='\"both\" it&apos;s' z=\"&lt;&amp;\"><tuv xml:lang=\"en-US\">"
         L"<seg>s</seg></tuv><tuv xml:lang=\"de-DE\"><seg>t</seg></tuv></tu>",
         L"    <tu tuid='a\"b' x=\"it's\" y=\"&quot;both&quot; it's\" z=\"&lt;&amp;\">\n"
         L"      <tuv xml:lang=\"en-US\">\n        <seg>s</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <seg>t</seg>\n      </tuv>\n    </tu>\n",
         1},
        {L"comments and CDATA go with their unit, in place inside a seg", L"de", false,
         L"<tu><!-- before --><tuv xml:lang=\"en-US\"><seg>a<!--c-->b<![CDATA[<x>&\"]]></seg></tuv>"
         L"<tuv xml:lang=\"de-DE\"><![CDATA[raw]]><seg>t</seg></tuv></tu>"
         L"<tu><!-- dropped --><tuv xml:lang=\"en-US\"><seg>s</seg></tuv></tu>",
         L"    <tu>\n      <!-- before -->\n      <tuv xml:lang=\"en-US\">\n"
         L"        <seg>a<!--c-->b<![CDATA[<x>&\"]]></seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <![CDATA[raw]]>\n        <seg>t</seg>\n"
         L"      </tuv>\n    </tu>\n",
         1},
        {L"CR in text and TAB, LF, CR in values as references; all else as it was", L"de", false,
         L"<tu x-nl=\"a&#10;b&#9;c&#13;d\" q='say \"&#9;\"' e=\"&lt;&#10;\"><tuv xml:lang=\"en-US\">"
         L"<seg>one&#13;&#10;two\nthree\tfour &#13;</seg></tuv><tuv xml:lang=\"de-DE\">"
         L"<seg>&lt;b&gt;&#13;\"x\"<ph x=\"1&#9;2\"/></seg></tuv></tu>",
         L"    <tu e=\"&lt;&#10;\" q='say \"&#9;\"' x-nl=\"a&#10;b&#9;c&#13;d\">\n"
         L"      <tuv xml:lang=\"en-US\">\n        <seg>one&#13;\ntwo\nthree\tfour &#13;</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <seg>&lt;b&gt;&#13;&quot;x&quot;<ph x=\"1&#9;2\"/></seg>\n"
         L"      </tuv>\n    </tu>\n",
         1},
        {L"a dropped variant leaves nothing of its content", L"de", false,
         L"<tu><tuv xml:lang=\"fr-FR\"><!-- c --><prop type=\"p\">v</prop><seg>f<b>x</b></seg><note>n"
         L"</note></tuv><tuv xml:lang=\"en-US\"><seg>s</seg></tuv><tuv xml:lang=\"de-DE\"><seg>t</seg>"
         L"</tuv></tu>",
         L"    <tu>\n      <tuv xml:lang=\"en-US\">\n        <seg>s</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <seg>t</seg>\n      </tuv>\n    </tu>\n",
         1},
    };
    for (const UnitCase& c : cases) {
        const std::wstring input = std::wstring(kHead) + c.units + kTail;
        const FilterRun run = filterText(input, c.target, c.removeProps);
        EXPECT_EQ(run.output, utf8(std::wstring(kOutHead) + c.expected + kOutTail)) << c.name;
        EXPECT_EQ(run.units, c.written) << c.name;
        EXPECT_EQ(run.xmlError, 0) << c.name;
        EXPECT_EQ(run.failure, SiftonParser::kFailureNone) << c.name;
        expectSegmentsUnchanged(utf8(input), run.output, c.name);
    }
}

TEST(SiftonParserTest, DocumentLevelCases) {
    struct DocumentCase {
        const wchar_t* name;
        const wchar_t* target;
        bool removeProps;
        const wchar_t* input;
        const wchar_t* expected;
        int32_t written;
    };
    static const DocumentCase cases[] = {
        {L"declaration keeps its version, names utf-8; header props and notes", L"de", false,
         L"<?xml version=\"1.1\" encoding=\"ISO-8859-1\" standalone=\"yes\"?><tmx version=\"1.4\">"
         L"<header srclang=\"en-US\" creationtool=\"T\"><prop type=\"d\">a &amp; b</prop>"
         L"<note>n</note></header><body/></tmx>",
         L"<?xml version=\"1.1\" encoding=\"utf-8\"?>\n<tmx version=\"1.4\">\n"
         L"  <header creationtool=\"T\" srclang=\"en-US\">\n    <prop type=\"d\">a &amp; b</prop>\n"
         L"    <note>n</note>\n  </header>\n  <body/>\n</tmx>\n",
         0},
        {L"props removed from the header", L"de", true,
         L"<tmx><header srclang=\"en-US\"><prop type=\"d\">a</prop><prop type=\"e\"/><note>n</note>"
         L"</header><body></body></tmx>",
         L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<tmx>\n  <header srclang=\"en-US\">\n"
         L"    <note>n</note>\n  </header>\n  <body>\n  </body>\n</tmx>\n",
         0},
        {L"nothing kept: header and an empty body", L"de", false,
         L"<tmx><header srclang=\"en-US\"/><body><tu><tuv xml:lang=\"en-US\"><seg>s</seg></tuv>"
         L"<tuv xml:lang=\"fr-FR\"><seg>f</seg></tuv></tu></body></tmx>",
         L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<tmx>\n  <header srclang=\"en-US\"/>\n"
         L"  <body>\n  </body>\n</tmx>\n",
         0},
        {L"header without srclang keeps target variants only", L"de", false,
         L"<tmx><header/><body><tu><tuv xml:lang=\"en-US\"><seg>s</seg></tuv><tuv xml:lang=\"de-DE\">"
         L"<seg>t</seg></tuv></tu><tu><tuv xml:lang=\"en-US\"><seg>s</seg></tuv><tuv xml:lang=\"de-DE\">"
         L"<seg>t</seg></tuv><tuv xml:lang=\"de-CH\"><seg>c</seg></tuv></tu></body></tmx>",
         L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<tmx>\n  <header/>\n  <body>\n    <tu>\n"
         L"      <tuv xml:lang=\"de-DE\">\n        <seg>t</seg>\n      </tuv>\n"
         L"      <tuv xml:lang=\"de-CH\">\n        <seg>c</seg>\n      </tuv>\n    </tu>\n  </body>\n"
         L"</tmx>\n",
         1},
        {L"comments outside units on lines of their own", L"de", false,
         L"<!--top--><tmx><!-- in --><header srclang=\"en\"/><body/></tmx>",
         L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!--top-->\n<tmx>\n  <!-- in -->\n"
         L"  <header srclang=\"en\"/>\n  <body/>\n</tmx>\n",
         0},
    };
    for (const DocumentCase& c : cases) {
        const FilterRun run = filterText(c.input, c.target, c.removeProps);
        EXPECT_EQ(run.output, utf8(c.expected)) << c.name;
        EXPECT_EQ(run.units, c.written) << c.name;
        EXPECT_EQ(run.failure, SiftonParser::kFailureNone) << c.name;
        ReadBack back;
        EXPECT_EQ(readBackBytes(run.output, back), 0) << c.name;
        EXPECT_EQ(back.declaredEncoding, L"utf-8") << c.name;
    }
}

// A target keeps the variants of its own code and of its regional forms, in any letter case, and
// no other language that happens to begin with the same letters.
TEST(SiftonParserTest, TargetKeepsItsOwnCodeAndRegionalFormsOnly) {
    static const struct {
        const wchar_t* target;
        const wchar_t* language;
        bool kept;
    } cases[] = {
        {L"fr", L"fr", true},       {L"fr", L"fr-FR", true},     {L"fr", L"FR-ca", true},
        {L"fr", L"frp", false},     {L"fr", L"fr_CA", false},    {L"fr", L"f", false},
        {L"pt-BR", L"pt-BR", true}, {L"pt-BR", L"pt-br", true},  {L"pt-BR", L"pt", false},
        {L"ka", L"kab", false},     {L"ko", L"kok", false},      {L"so", L"son", false},
        {L"de", L"de-AT", true},    {L"zh-Hans", L"zh-hans-CN", true}, {L"zh", L"zh-Hant-TW", true},
        {L" DE ", L"de-de", true},  {L"de-DE", L"de-DE-1996", true},   {L"de-DE", L"de", false},
    };
    for (const auto& c : cases) {
        const std::wstring input = std::wstring(kHead) +
                                   L"<tu><tuv xml:lang=\"en-US\"><seg>s</seg></tuv><tuv xml:lang=\"" +
                                   c.language + L"\"><seg>t</seg></tuv></tu>" + kTail;
        const FilterRun run = filterText(input, trimAndNormaliseLanguageCode(c.target), false);
        EXPECT_EQ(run.units, c.kept ? 1 : 0) << testing::PrintToString(std::wstring(c.target)) << " / "
                                             << testing::PrintToString(std::wstring(c.language));
    }
}

// Characters beyond U+FFFF must come out as one four-byte sequence each; a lone surrogate has
// no valid form and keeps the three-byte one rather than being lost.
TEST(SiftonParserTest, CharactersBeyondTheBasicPlane) {
    const std::wstring smile = L"\xD83D\xDE00";
    const FilterRun run = filterText(std::wstring(kHead) + L"<tu><tuv xml:lang=\"en-US\"><seg>a" +
                                         smile + L"b</seg></tuv><tuv xml:lang=\"de-DE\"><seg>" + smile +
                                         L"</seg></tuv></tu>" + kTail,
                                     L"de");
    EXPECT_NE(run.output.find("<seg>a\xF0\x9F\x98\x80" "b</seg>"), std::string::npos);
    EXPECT_EQ(run.output.find("\xED"), std::string::npos);
    ReadBack back;
    ASSERT_EQ(readBackBytes(run.output, back), 0);
    ASSERT_EQ(back.segments.size(), 2u);
    EXPECT_EQ(back.segments[0], L"a" + smile + L"b");

    // UTF-16 input may carry lone surrogates.
    const std::wstring input = std::wstring(kHead) + L"<tu><tuv xml:lang=\"en-US\"><seg>x\xD800y\xDC01"
                                                     L"</seg></tuv><tuv xml:lang=\"de-DE\"><seg>t</seg>"
                                                     L"</tuv></tu>" + kTail;
    std::string bytes;
    for (wchar_t c : input) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf16Le, static_cast<int32_t>(bytes.size()));
    filtertest::MemorySink sink;
    Utf8Writer writer(sink);
    SiftonParser parser(writer, bytes.size(), L"de", false);
    ASSERT_TRUE(parser.parse(stream));
    ASSERT_TRUE(writer.finish());
    EXPECT_NE(sink.bytes.find("<seg>x\xED\xA0\x80y\xED\xB0\x81</seg>"), std::string::npos);
}

TEST(SiftonParserTest, WriterJoinsPairsAcrossWritesAndBlocks) {
    struct WriterCase {
        std::wstring text;
        std::string bytes;
    };
    const WriterCase cases[] = {
        {L"A\xE9\x20AC", "A\xC3\xA9\xE2\x82\xAC"},
        {L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
        {L"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},
        {L"\xD83D", "\xED\xA0\xBD"},
        {L"\xDE00x", "\xED\xB8\x80x"},
        {L"\xD83D\xD83D\xDE00", "\xED\xA0\xBD\xF0\x9F\x98\x80"},
        {L"\xD83Dx", "\xED\xA0\xBDx"},
    };
    for (const WriterCase& c : cases) {
        // One write; one write per unit (halves of a pair in separate writes); a tiny buffer.
        for (int mode = 0; mode < 3; ++mode) {
            filtertest::MemorySink sink;
            Utf8Writer writer(sink, mode == 2 ? 16 : Utf8Writer::kDefaultBufferBytes);
            std::wstring text = c.text;
            if (mode == 2) {
                for (int i = 0; i < 40; ++i)
                    text += c.text;
            }
            if (mode == 1) {
                for (wchar_t unit : text)
                    writer.write(&unit, 1);
            } else {
                writer.write(text);
            }
            ASSERT_TRUE(writer.finish());
            // The reference encoder joins pairs and keeps lone halves the same way.
            const std::string expected = mode == 2 ? filtertest::utf8(text) : c.bytes;
            EXPECT_EQ(sink.bytes, expected) << testing::PrintToString(c.text) << " mode " << mode;
            EXPECT_EQ(writer.bytesWritten(), sink.bytes.size());
        }
    }
}

TEST(SiftonParserTest, CutOffDocumentsFail) {
    static const struct {
        const wchar_t* name;
        const wchar_t* input;
    } cases[] = {
        {L"unit never closed", L"<tmx><header srclang=\"en\"/><body><tu><tuv xml:lang=\"en\"><seg>a</seg>"
                               L"</tuv><tuv xml:lang=\"de\"><seg>b</seg></tuv></body></tmx>"},
        {L"file cut after a unit", L"<tmx><header srclang=\"en\"/><body><tu><tuv xml:lang=\"en\"><seg>a"
                                   L"</seg></tuv><tuv xml:lang=\"de\"><seg>b</seg></tuv></tu>"},
        {L"file cut inside a dropped variant",
         L"<tmx><header srclang=\"en\"/><body><tu><tuv xml:lang=\"fr\"><seg>a"},
    };
    for (const auto& c : cases) {
        const FilterRun run = filterText(c.input, L"de");
        EXPECT_EQ(run.failure, SiftonParser::kFailureUnclosedElements) << c.name;
    }
}

namespace {

// Delivers a TMX head, then the start of a unit whose seg text never ends.
class EndlessUnitSupplier : public XmlMemoryStream::BlockSupplier {
public:
    explicit EndlessUnitSupplier(uint64_t limit) : limit_(limit) {
        head_ = "<tmx><header srclang=\"en\"/><body><tu><tuv xml:lang=\"en\"><seg>";
    }
    int32_t read(uint8_t* dest, int32_t room) override {
        int32_t n = 0;
        while (n < room && delivered_ < limit_) {
            dest[n++] = delivered_ < head_.size() ? static_cast<uint8_t>(head_[delivered_]) : 'a';
            ++delivered_;
        }
        return n;
    }
    uint64_t delivered() const { return delivered_; }

private:
    std::string head_;
    uint64_t limit_;
    uint64_t delivered_ = 0;
};

} // namespace

// A unit whose end tag is missing must not take the rest of the file into memory: the filter
// stops at the buffer's limit, long before the input ends.
TEST(SiftonParserTest, UnitBufferIsCapped) {
    const uint64_t inputSize = uint64_t(200) << 20;
    EndlessUnitSupplier supplier(inputSize);
    XmlMemoryStream stream(kXmlEncodingUtf8, &supplier);
    filtertest::MemorySink sink;
    Utf8Writer writer(sink);
    SiftonParser parser(writer, inputSize, L"de", false);
    parser.parse(stream);
    EXPECT_EQ(parser.failure(), SiftonParser::kFailureUnitTooLarge);
    EXPECT_GT(parser.failurePosition(), 0);
    EXPECT_LT(supplier.delivered(), uint64_t(40) << 20);
    EXPECT_GT(supplier.delivered(), uint64_t(SiftonParser::kMaxUnitUnits));
}

TEST(SiftonParserTest, OutputFailureStopsTheRun) {
    std::string input = "<tmx><header srclang=\"en\"/><body>";
    for (int i = 0; i < 2000; ++i)
        input += "<tu><tuv xml:lang=\"en\"><seg>source</seg></tuv><tuv xml:lang=\"de\"><seg>Ziel</seg></tuv></tu>";
    input += "</body></tmx>";
    XmlMemoryStream stream(input.data(), kXmlEncodingUtf8, static_cast<int32_t>(input.size()));
    filtertest::MemorySink sink;
    sink.limit = 1000;
    Utf8Writer writer(sink, 256);
    SiftonParser parser(writer, input.size(), L"de", false);
    parser.parse(stream);
    EXPECT_EQ(parser.failure(), SiftonParser::kFailureOutput);
    EXPECT_LT(parser.unitsWritten(), 20);
    EXPECT_FALSE(writer.finish());
}

TEST(SiftonParserTest, DecodingErrorFailsTheParse) {
    const std::string input = "<tmx><header srclang=\"en\"/><body><tu><tuv xml:lang=\"en\"><seg>a\xFF"
                              "b</seg></tuv><tuv xml:lang=\"de\"><seg>c</seg></tuv></tu></body></tmx>";
    const FilterRun run = filterBytes(input, L"de", false);
    EXPECT_EQ(run.xmlError, kXmlErrorUnsupportedEncoding);
}

namespace {

// Reports positions as a stream deep inside a huge file would: they start just below 4 GiB and
// pass it.
class FarStream : public XmlStream {
public:
    FarStream(XmlStream& inner, uint64_t base) : inner_(inner), base_(base) {}
    uint16_t getChar() override { return inner_.getChar(); }
    int32_t getChars(wchar_t* dest, int32_t room) override { return inner_.getChars(dest, room); }
    bool hadError() const override { return inner_.hadError(); }
    int64_t position() const override { return inner_.position() + static_cast<int64_t>(base_); }
    int32_t encoding() const override { return inner_.encoding(); }

private:
    XmlStream& inner_;
    uint64_t base_;
};

struct PercentLog {
    std::vector<unsigned> values;
    HandlerHolder holder;
    void onProgress(unsigned percent) { values.push_back(percent); }
};

} // namespace

// Progress is figured in 64 bits: a size that is a multiple of 4 GiB, and offsets beyond it,
// give sensible percentages instead of a division by zero or a fall back to 0.
TEST(SiftonParserTest, ProgressIsComputedInSixtyFourBits) {
    std::string input = "<tmx><body>";
    for (int i = 0; i < 200; ++i)
        input += "<e/>";
    input += "</body></tmx>";
    for (const uint64_t total : {uint64_t(1) << 32, uint64_t(1) << 33}) {
        XmlMemoryStream memory(input.data(), kXmlEncodingUtf8, static_cast<int32_t>(input.size()));
        FarStream distant(memory, 0xFFFFFFFFu - 400);
        filtertest::MemorySink sink;
        Utf8Writer writer(sink);
        SiftonParser parser(writer, total, L"", false);
        PercentLog log;
        log.holder.connect(parser.progress, &log, &PercentLog::onProgress);
        ASSERT_TRUE(parser.parse(distant));
        const std::vector<unsigned> expected =
            total == uint64_t(1) << 32 ? std::vector<unsigned>{99, 100} : std::vector<unsigned>{49, 50};
        EXPECT_EQ(log.values, expected) << total;
        EXPECT_EQ(distant.position(), int64_t(0xFFFFFFFFu - 400) + static_cast<int64_t>(input.size()));
    }
}
