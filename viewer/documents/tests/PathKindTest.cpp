#include "viewer/documents/DocumentFactory.h"
#include "viewer/documents/PathKind.h"

#include "core/tests/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PathKindTest, APathsKindIsItsExtensionInAnyLetterCase) {
    const struct {
        const wchar_t* label;
        const wchar_t* path;
        PathKind kind;
        bool document;
    } cases[] = {
        {L"memory", L"C:\\tm\\sample.tmx", PathKind::TmxFile, false},
        {L"memory in capitals", L"C:\\tm\\X.TMX", PathKind::TmxFile, false},
        {L"group", L"D:\\groups\\Legal.Plexa", PathKind::Group, false},
        {L"TTX", L"C:\\docs\\guide.TtX", PathKind::TtxDocument, true},
        {L"XLIFF", L"C:\\docs\\manual.xlf", PathKind::XliffDocument, true},
        {L"XLIFF of a second tool", L"C:\\docs\\manual.SDLXLIFF", PathKind::XliffDocument, true},
        {L"text", L"C:\\tm\\notes.txt", PathKind::Unsupported, false},
        {L"extension of a longer name", L"C:\\tm\\archive.tmx.gz", PathKind::Unsupported, false},
        {L"the kind in a folder's name", L"C:\\a.xlf\\notes", PathKind::Unsupported, false},
        {L"a long XLIFF extension", L"C:\\docs\\manual.xliff", PathKind::Unsupported, false},
        {L"a quote", L"\"", PathKind::Unsupported, false},
        {L"empty", L"", PathKind::Unsupported, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.label)));
        EXPECT_EQ(pathKindOf(c.path), c.kind);
        EXPECT_EQ(isDocumentKind(pathKindOf(c.path)), c.document);
    }
}

// The factory opens documents only, each by the rules of its kind.
TEST(PathKindTest, TheFactoryOpensDocumentsByTheirKind) {
    testfiles::TempDir dir(L"kinds");
    const std::wstring xliff = dir.file(L"doc.XLF");
    const std::wstring ttx = dir.file(L"doc.ttx");
    ASSERT_TRUE(testfiles::writeText(
        xliff, "<xliff version=\"1.2\"><file target-language=\"fr\"><body>"
               "<trans-unit id=\"1\"><source>Hello</source><target>Salut</target></trans-unit></body></file></xliff>"));
    ASSERT_TRUE(testfiles::writeText(
        ttx, "<TRADOStag><FrontMatter><UserSettings SourceLanguage=\"EN-US\" TargetLanguage=\"FR-FR\"/></FrontMatter>"
             "<Body><Raw><Tu><Tuv Lang=\"EN-US\">Hello</Tuv><Tuv Lang=\"FR-FR\">Salut</Tuv></Tu></Raw></Body></TRADOStag>"));
    const struct {
        std::wstring path;
        const wchar_t* language;
    } documents[] = {{xliff, L"fr"}, {ttx, L"FR-FR"}};
    for (const auto& d : documents) {
        SCOPED_TRACE(::testing::PrintToString(d.path));
        const auto document = openTranslatableDocument(d.path);
        ASSERT_NE(document, nullptr);
        ASSERT_FALSE(document->failed());
        EXPECT_EQ(document->rowCount(), 1);
        EXPECT_EQ(document->targetLanguage(), d.language);
    }
    EXPECT_EQ(openTranslatableDocument(dir.file(L"memory.tmx")), nullptr);
    EXPECT_EQ(openTranslatableDocument(dir.file(L"notes.txt")), nullptr);
}

} // namespace
