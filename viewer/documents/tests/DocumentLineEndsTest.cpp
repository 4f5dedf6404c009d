// Documents as Windows tools write them: CR LF line ends between elements, inside sources and
// targets, and raw white space in attribute values. The rows show the text as every XML reader
// hands it out (each line end one LF), and a save rewrites only the edited target: every other
// byte, each CR among them, stays as it was.

#include "viewer/documents/tests/DocumentTestSupport.h"

#include <gtest/gtest.h>

using namespace doctest;
using testfiles::TempDir;

namespace {

const wchar_t kXliff[] =
    L"<?xml version=\"1.0\" encoding=\"ENC\"?>\r\n"
    L"<xliff version=\"1.2\"><file source-language=\"en\" target-language=\"fr\" original=\"a\r\nb\t\"><body>\r\n"
    L"<trans-unit id=\"1\"><source>First\r\nline\rend</source>\r\n<target>Premi\u00E8re\r\nligne</target></trans-unit>\r\n"
    L"<trans-unit id=\"2\"><source>Edited\r\n</source>\r\n<target state=\"x\r\ny\">old\r\ntext\r</target></trans-unit>\r\n"
    L"<trans-unit id=\"3\"><source>Last\r\n</source></trans-unit>\r\n"
    L"</body></file></xliff>\r\n";

const wchar_t kTtx[] =
    L"<?xml version=\"1.0\" encoding=\"ENC\"?>\r\n"
    L"<TRADOStag><FrontMatter><UserSettings SourceLanguage=\"EN\" TargetLanguage=\"FR\"/></FrontMatter><Body><Raw>\r\n"
    L"<Tu><Tuv Lang=\"EN\">First\r\nline\rend</Tuv>\r\n<Tuv Lang=\"FR\">Premi\u00E8re\r\nligne</Tuv></Tu>\r\n"
    L"<Tu><Tuv Lang=\"EN\">Edited\r\n</Tuv><Tuv Lang=\"FR\">old\r\ntext\r</Tuv></Tu>\r\n"
    L"</Raw></Body></TRADOStag>\r\n";

} // namespace

TEST(DocumentLineEnds, RowsHoldOneLineFeedPerLineEndAndASaveKeepsEveryOtherByte) {
    const struct {
        const char* label;
        const wchar_t* fileName;
        const wchar_t* text;
        const wchar_t* editedBefore;
        const wchar_t* editedAfter;
    } cases[] = {
        {"xliff", L"d.xlf", kXliff, L"old\r\ntext\r</target>", L"neu</target>"},
        {"ttx", L"d.ttx", kTtx, L"old\r\ntext\r</Tuv>", L"neu</Tuv>"},
    };
    for (const auto& c : cases) {
        for (Encoding e : {Encoding::Utf8, Encoding::Utf16Le, Encoding::Utf16Be, Encoding::Ansi}) {
            SCOPED_TRACE(std::string(c.label) + " " + encodingName(e));
            TempDir dir(L"docs");
            auto document = openWritten(dir, c.fileName, encode(c.text, e));
            ASSERT_TRUE(document);
            EXPECT_EQ(sourceText(*document, 0), L"First\nline\nend");
            EXPECT_EQ(targetText(*document, 0), L"Premi\u00E8re\nligne");
            EXPECT_EQ(sourceText(*document, 1), L"Edited\n");
            EXPECT_EQ(targetText(*document, 1), L"old\ntext\n");

            ASSERT_TRUE(document->setTarget(1, textSegment(L"neu")));
            ASSERT_TRUE(document->save());
            std::wstring expected = c.text;
            const size_t at = expected.find(c.editedBefore);
            ASSERT_NE(at, std::wstring::npos);
            expected.replace(at, std::wstring(c.editedBefore).size(), c.editedAfter);
            EXPECT_EQ(testfiles::readText(dir.file(c.fileName)), encode(expected, e));
        }
    }
}
