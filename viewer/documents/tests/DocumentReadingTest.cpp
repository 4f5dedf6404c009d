#include "viewer/documents/DocumentParser.h"
#include "viewer/documents/tests/DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace doctest;
using testfiles::TempDir;

namespace {

// XLIFF as translation tools write it: groups, notes, alternatives, inline codes, empty and
// spaced targets, CDATA, a unit with two targets and a source outside any unit.
const wchar_t kXliff[] =
    L"<?xml version=\"1.0\" encoding=\"ENC\"?>\r\n"
    L"<xliff version=\"1.2\">\r\n"
    L" <file original=\"a.txt\" source-language=\"en-US\" target-language=\"de-DE\">\r\n"
    L"  <header><source>stray</source><target>stray</target>stray text</header>\r\n"
    L"  <body><group id=\"g\">\r\n"
    L"   <trans-unit id=\"1\"><source>Hello world</source><target state=\"translated\">Hallo Welt</target><note>n</note></trans-unit>\r\n"
    L"   <trans-unit id=\"2\"><source>Open <g id=\"1\">file</g> now</source><target>\u00D6ffne <g id=\"1\">Datei</g></target>\r\n"
    L"    <alt-trans><source>Open it</source><target>Alternative</target></alt-trans></trans-unit>\r\n"
    L"   <trans-unit id=\"3\"><source>Press <ph id=\"p\" x=\"1\">&lt;b&gt;</ph> here</source></trans-unit>\r\n"
    L"   <trans-unit id=\"4\"><source>Empty</source><target state=\"new\"/></trans-unit>\r\n"
    L"   <trans-unit id=\"5\"><source>Spaced</source><target >Vorher</target ></trans-unit>\r\n"
    L"   <trans-unit id=\"6\"><source><![CDATA[a < b]]></source><target><![CDATA[x]]></target></trans-unit>\r\n"
    L"   <trans-unit id=\"7\"><source>Two</source><target>first</target><target>second</target></trans-unit>\r\n"
    L"  </group></body>\r\n"
    L" </file>\r\n"
    L"</xliff>\r\n";

// The same as a second tool writes it: segmented source, markers in the target, status markers.
const wchar_t kSegmented[] =
    L"<?xml version=\"1.0\" encoding=\"ENC\"?>\r\n"
    L"<xliff xmlns:sdl=\"urn:x\" version=\"1.2\"><file><body>\r\n"
    L"<trans-unit id=\"a\"><source>Hi there</source><seg-source><mrk mtype=\"seg\" mid=\"1\">Hi there</mrk></seg-source>"
    L"<target><mrk mtype=\"seg\" mid=\"1\">Hallo</mrk></target><sdl:seg-defs><sdl:seg id=\"1\" conf=\"ApprovedTranslated\"/></sdl:seg-defs></trans-unit>\r\n"
    L"<trans-unit id=\"b\"><source>No target yet</source><seg-source><mrk mtype=\"seg\" mid=\"2\">No target yet</mrk></seg-source>"
    L"<sdl:seg-defs><sdl:seg id=\"2\" conf=\"Draft\"/></sdl:seg-defs></trans-unit>\r\n"
    L"<trans-unit id=\"c\"><source>Done</source><TRADOS_target>Fertig</TRADOS_target><iws:status translation_status=\"Finished\"/></trans-unit>\r\n"
    L"<trans-unit id=\"d\"><source/><target>orphan</target></trans-unit>\r\n"
    L"<trans-unit id=\"e\"><source>Inline <g id=\"1\">tags</g></source><target/></trans-unit>\r\n"
    L"</body></file></xliff>\r\n";

const wchar_t kTtx[] =
    L"<?xml version=\"1.0\" encoding=\"ENC\"?>\r\n"
    L"<TRADOStag Version=\"2.0\"><FrontMatter><ToolSettings CreationTool=\"x\"/>"
    L"<UserSettings SourceLanguage=\"EN-US\" TargetLanguage=\"DE-DE\"/></FrontMatter>\r\n"
    L"<Body><Raw>\r\n"
    L"<df Font=\"Arial\"><Tu MatchPercent=\"0\"><Tuv Lang=\"EN-US\">Hello <df Bold=\"on\">bold</df> world</Tuv><Tuv Lang=\"DE-DE\">Hallo Welt</Tuv></Tu></df>\r\n"
    L"<ut Type=\"start\">{\\b}</ut>\r\n"
    L"<Tu MatchPercent=\"0\"><Tuv Lang=\"EN-US\">No target</Tuv></Tu>\r\n"
    L"<Tu><Tuv Lang=\"DE-DE\">orphan target</Tuv></Tu>\r\n"
    L"<Tu><Tuv Lang=\"EN-US\">Two targets</Tuv><Tuv Lang=\"DE-DE\">eins</Tuv><Tuv Lang=\"DE-DE\">zwei</Tuv></Tu>\r\n"
    L"<Tu><Tuv Lang=\"en-us\">case differs</Tuv></Tu>\r\n"
    L"</Raw></Body></TRADOStag>\r\n";

struct ExpectedRow {
    const wchar_t* source;
    const wchar_t* target;
    uint32_t flags;
    // The target element exactly as the document spells it, or null for a unit without one.
    const wchar_t* targetElement;
};

struct ReadingCase {
    const char* label;
    const wchar_t* fileName;
    const wchar_t* text;
    // As the document names it: the first "file" element's, or the "UserSettings".
    const wchar_t* targetLanguage;
    std::vector<ExpectedRow> rows;
};

const ReadingCase kReadingCases[] = {
    {"xliff", L"doc.xlf", kXliff, L"de-DE",
     {{L"Hello world", L"Hallo Welt", 0, L"<target state=\"translated\">Hallo Welt</target>"},
      {L"Open file now", L"\u00D6ffne Datei", 0, L"<target>\u00D6ffne <g id=\"1\">Datei</g></target>"},
      {L"Press  here", L"", 0, nullptr},
      {L"Empty", L"", 0, L"<target state=\"new\"/>"},
      {L"Spaced", L"Vorher", 0, L"<target >Vorher</target >"},
      {L"a < b", L"x", kRowCdata, L"<target><![CDATA[x]]></target>"},
      {L"Two", L"first", 0, L"<target>first</target>"}}},
    {"segmented", L"doc.SDLXLIFF", kSegmented, L"",
     {{L"Hi there", L"Hallo", kRowTargetConfirmed,
       L"<target><mrk mtype=\"seg\" mid=\"1\">Hallo</mrk></target>"},
      {L"No target yet", L"", 0, nullptr},
      {L"Done", L"Fertig", kRowTargetConfirmed, L"<TRADOS_target>Fertig</TRADOS_target>"},
      {L"", L"orphan", kRowUnusable, L"<target>orphan</target>"},
      {L"Inline tags", L"", 0, L"<target/>"}}},
    {"ttx", L"doc.ttx", kTtx, L"DE-DE",
     {{L"Hello bold world", L"Hallo Welt", 0, L"<Tuv Lang=\"DE-DE\">Hallo Welt</Tuv>"},
      {L"No target", L"", 0, nullptr},
      {L"Two targets", L"eins", 0, L"<Tuv Lang=\"DE-DE\">eins</Tuv>"}}},
};

class DocumentReading : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(DocumentReading, RowsTextsFlagsAndTargetRanges) {
    const ReadingCase& c = GetParam();
    TempDir dir(L"docs");
    const std::wstring path = dir.file(c.fileName);
    const std::string bytes = encode(c.text, Encoding::Utf8);
    ASSERT_TRUE(testfiles::writeText(path, bytes));

    auto document = open(path);
    ASSERT_TRUE(document);
    ASSERT_FALSE(document->failed());
    EXPECT_EQ(document->path(), path);
    EXPECT_EQ(document->targetLanguage(), c.targetLanguage);
    ASSERT_EQ(document->rowCount(), static_cast<int32_t>(c.rows.size()));
    const auto* rows = dynamic_cast<BilingualDocument*>(document.get());
    ASSERT_NE(rows, nullptr);
    for (size_t i = 0; i < c.rows.size(); ++i) {
        SCOPED_TRACE(i);
        const ExpectedRow& e = c.rows[i];
        const int32_t r = static_cast<int32_t>(i);
        EXPECT_EQ(sourceText(*document, r), e.source);
        EXPECT_EQ(targetText(*document, r), e.target);
        EXPECT_EQ(rows->row(r)->flags, e.flags);
        EXPECT_EQ(document->isTargetConfirmed(r), (e.flags & kRowTargetConfirmed) != 0);
        EXPECT_EQ(document->isRowUnusable(r), (e.flags & kRowUnusable) != 0);
        EXPECT_FALSE(document->isTargetEdited(r));
        const DocumentRow& row = *rows->row(r);
        if (e.targetElement == nullptr) {
            EXPECT_FALSE(row.hasTarget());
            EXPECT_NE(row.insertAt, kNoPosition);
        } else {
            ASSERT_TRUE(row.hasTarget());
            EXPECT_LE(row.targetStart, row.targetContentStart);
            EXPECT_LE(row.targetContentStart, row.targetContentEnd);
            EXPECT_LE(row.targetContentEnd, row.targetEnd);
            const std::string element =
                bytes.substr(static_cast<size_t>(row.targetStart),
                             static_cast<size_t>(row.targetEnd - row.targetStart));
            EXPECT_EQ(element, toUtf8(e.targetElement));
        }
    }
    // Emptying a target is an edit: the row is marked as edited and keeps every other flag;
    // a row that takes no edit takes no emptying either.
    for (size_t i = 0; i < c.rows.size(); ++i) {
        SCOPED_TRACE(i);
        const ExpectedRow& e = c.rows[i];
        const int32_t r = static_cast<int32_t>(i);
        const bool editable = (e.flags & kRowUnusable) == 0;
        EXPECT_EQ(document->clearTarget(r), editable);
        EXPECT_EQ(rows->row(r)->flags, editable ? e.flags | kRowTargetEdited : e.flags);
        EXPECT_EQ(targetText(*document, r), editable ? L"" : e.target);
    }
    EXPECT_FALSE(document->isTargetEdited(-1));
    EXPECT_FALSE(document->isTargetEdited(document->rowCount()));
    Segment none;
    EXPECT_FALSE(document->getSource(document->rowCount(), none));
}

INSTANTIATE_TEST_SUITE_P(Documents, DocumentReading, ::testing::ValuesIn(kReadingCases),
                         [](const ::testing::TestParamInfo<ReadingCase>& info) {
                             return std::string(info.param.label);
                         });

TEST(DocumentReadingRules, TagsOfXliffSegmentsAreKeptAsTheyStand) {
    TempDir dir(L"docs");
    const std::wstring path = dir.file(L"tags.xlf");
    ASSERT_TRUE(testfiles::writeText(path, encode(kXliff, Encoding::Utf8)));
    auto document = open(path);
    ASSERT_FALSE(document->failed());
    Segment source;
    ASSERT_TRUE(document->getSource(1, source));
    EXPECT_EQ(renderSegmentXml(source), L"Open <g id=\"1\">file</g> now");
    // A "ph" is a placeholder with its "x"; the native code it holds is not text.
    ASSERT_TRUE(document->getSource(2, source));
    EXPECT_EQ(renderSegmentXml(source), L"Press <ph type=\"x-LPH\" x=\"1\"/> here");
}

TEST(DocumentReadingRules, LongSourcesAndLateLanguagesAndUnknownExtensions) {
    TempDir dir(L"docs");
    // 151 elements: 76 words and 75 blanks.
    std::wstring words;
    for (int i = 0; i < 76; ++i)
        words += i == 0 ? L"w" : L" w";
    std::wstring longUnit = kXliff;
    replaceAll(longUnit, L"Hello world", words);
    const std::wstring xlf = dir.file(L"long.xlf");
    ASSERT_TRUE(testfiles::writeText(xlf, encode(longUnit, Encoding::Utf8)));
    auto document = open(xlf);
    ASSERT_FALSE(document->failed());
    EXPECT_TRUE(document->isRowUnusable(0));
    EXPECT_FALSE(document->isRowUnusable(6));

    // Languages are known only from "UserSettings": a unit before it makes no row.
    std::wstring late = kTtx;
    replaceAll(late, L"<UserSettings SourceLanguage=\"EN-US\" TargetLanguage=\"DE-DE\"/>", L"");
    replaceAll(late, L"</Raw>", L"</Raw><UserSettings SourceLanguage=\"EN-US\" TargetLanguage=\"DE-DE\"/>");
    const std::wstring ttx = dir.file(L"late.TTX");
    ASSERT_TRUE(testfiles::writeText(ttx, encode(late, Encoding::Utf8)));
    document = open(ttx);
    ASSERT_TRUE(document);
    EXPECT_FALSE(document->failed());
    EXPECT_EQ(document->rowCount(), 0);

    EXPECT_FALSE(open(dir.file(L"doc.txt")));
    EXPECT_FALSE(open(dir.file(L"doc.xliffx")));
}

// A document whose elements nest depth levels deep, the root counted: one unit, then empty
// groups (XLIFF) or formatting elements (TTX) inside one another.
std::string nestedDocument(bool ttx, size_t depth) {
    const char* open = ttx ? "<df>" : "<group>";
    const char* close = ttx ? "</df>" : "</group>";
    std::string bytes = ttx ? "<TRADOStag><FrontMatter><UserSettings SourceLanguage=\"EN\" TargetLanguage=\"DE\"/>"
                              "</FrontMatter><Body><Tu><Tuv Lang=\"EN\">a</Tuv><Tuv Lang=\"DE\">b</Tuv></Tu>"
                            : "<xliff><file><body><trans-unit id=\"1\"><source>a</source><target>b</target>"
                              "</trans-unit>";
    const size_t around = ttx ? 2 : 3;
    for (size_t i = around; i < depth; ++i)
        bytes += open;
    for (size_t i = around; i < depth; ++i)
        bytes += close;
    return bytes + (ttx ? "</Body></TRADOStag>" : "</body></file></xliff>");
}

TEST(DocumentReadingRules, DocumentsNestedToTheBoundOpen) {
    TempDir dir(L"deep");
    for (bool ttx : {false, true}) {
        SCOPED_TRACE(ttx ? "ttx" : "xliff");
        auto document = openWritten(dir, ttx ? L"deep.ttx" : L"deep.xlf", nestedDocument(ttx, kMaxDocumentDepth));
        ASSERT_TRUE(document);
        ASSERT_EQ(document->rowCount(), 1);
        EXPECT_EQ(targetText(*document, 0), L"b");
    }
}

TEST(DocumentReadingRules, DamagedDocumentsFailWithoutRows) {
    const std::string valid = encode(kXliff, Encoding::Utf8);
    const struct {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"not xml", "just some text < with a bracket"},
        {"cut off inside a tag", valid.substr(0, valid.find("Hallo") - 10)},
        {"undecodable bytes", "<?xml version=\"1.0\" encoding=\"utf-8\"?><xliff><file><body>"
                              "<trans-unit id=\"1\"><source>a\xC3\x28 b</source></trans-unit>"
                              "</body></file></xliff>"},
        // Not well-formed: an end tag that does not close the innermost open element.
        {"end tag of an outer element", "<xliff><file><body><trans-unit id=\"1\"><source>Bad "
                                        "<g id=\"1\">tags</x></source></trans-unit></body></file></xliff>"},
        {"inline tag closed after its target", "<xliff><body><trans-unit><source>a</source><target>"
                                               "Hallo <b>Welt</target></b></trans-unit></body></xliff>"},
        {"mistyped end tag", "<xliff><body><trans-unit><source>Hello</sourc></trans-unit>"
                             "<trans-unit><source>b</source></trans-unit></body></xliff>"},
        {"end tag with nothing open", "<xliff><body></body></xliff></xliff>"},
        {"ttx with a misnested Tuv", "<TRADOStag><FrontMatter><UserSettings SourceLanguage=\"EN\" "
                                     "TargetLanguage=\"DE\"/></FrontMatter><Body><Tu><Tuv Lang=\"EN\">"
                                     "a<df>b</Tuv></df></Tu></Body></TRADOStag>"},
        // Nested beyond the bound: refused before the open elements take the memory.
        {"xliff nested deeper than the bound", nestedDocument(false, kMaxDocumentDepth + 1)},
        {"ttx nested deeper than the bound", nestedDocument(true, kMaxDocumentDepth + 1)},
    };
    TempDir dir(L"docs");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring path = dir.file(c.bytes.find("TRADOStag") != std::string::npos ? L"bad.ttx" : L"bad.xlf");
        ASSERT_TRUE(testfiles::writeText(path, c.bytes));
        auto document = open(path);
        ASSERT_TRUE(document);
        EXPECT_TRUE(document->failed());
        EXPECT_EQ(document->rowCount(), 0);
        EXPECT_FALSE(document->save());
        document.reset();
        EXPECT_EQ(testfiles::readText(path), c.bytes);
    }
    auto missing = open(dir.file(L"missing.ttx"));
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->failed());
    EXPECT_EQ(dir.names().size(), 2u);
}

TEST(DocumentReadingRules, TheEmptyProviderAnswersNothing) {
    TranslatableContentProvider& none = TranslatableContentProvider::empty();
    EXPECT_TRUE(none.failed());
    EXPECT_EQ(none.rowCount(), 0);
    EXPECT_EQ(none.path(), L"");
    Segment s;
    EXPECT_FALSE(none.getSource(0, s));
    EXPECT_FALSE(none.setTarget(0, s));
    EXPECT_FALSE(none.save());
    EXPECT_EQ(&none, &TranslatableContentProvider::empty());
}

} // namespace
