#include "viewer/documents/tests/DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace doctest;
using testfiles::TempDir;

namespace {

// One unit of each kind a save must handle. "\u00E9" is in the ANSI code page; characters
// beyond it appear only in edits.
const wchar_t kXliff[] =
    L"<?xml version=\"1.0\" encoding=\"ENC\"?>\r\n"
    L"<xliff version=\"1.2\"><file source-language=\"en\" target-language=\"fr\"><body>\r\n"
    L"<trans-unit id=\"1\"><source>Caf\u00E9 open</source><target state=\"x\">Caf\u00E9 ouvert</target></trans-unit>\r\n"
    L"<trans-unit id=\"2\"><source>No target</source><note>keep</note></trans-unit>\r\n"
    L"<trans-unit id=\"3\"><source>Empty</source><target state=\"new\"/></trans-unit>\r\n"
    L"<trans-unit id=\"4\"><source>Spaced</source><target >old</target ></trans-unit>\r\n"
    L"<trans-unit id=\"5\"><source><![CDATA[raw]]></source><target><![CDATA[old]]></target></trans-unit>\r\n"
    L"<trans-unit id=\"6\"><source>Two</source><target>first</target><target>second</target></trans-unit>\r\n"
    L"<trans-unit id=\"7\"><source/></trans-unit>\r\n"
    L"</body></file></xliff>\r\n";

const wchar_t kSegmented[] =
    L"<?xml version=\"1.0\" encoding=\"ENC\"?>\r\n"
    L"<xliff version=\"1.2\"><file><body>\r\n"
    L"<trans-unit id=\"a\"><source>Seg</source><seg-source><mrk mid=\"1\">Seg</mrk></seg-source></trans-unit>\r\n"
    L"<trans-unit id=\"b\"><source>Old tool</source><TRADOS_target>alt</TRADOS_target></trans-unit>\r\n"
    L"</body></file></xliff>\r\n";

const wchar_t kTtx[] =
    L"<?xml version=\"1.0\" encoding=\"ENC\"?>\r\n"
    L"<TRADOStag><FrontMatter><UserSettings SourceLanguage=\"EN\" TargetLanguage=\"FR\"/></FrontMatter><Body><Raw>\r\n"
    L"<Tu><Tuv Lang=\"EN\">Caf\u00E9 open</Tuv><Tuv Lang=\"FR\">Caf\u00E9 ouvert</Tuv></Tu>\r\n"
    L"<Tu><Tuv Lang=\"EN\">No target</Tuv></Tu>\r\n"
    L"<Tu><Tuv Lang=\"FR\">orphan</Tuv></Tu>\r\n"
    L"</Raw></Body></TRADOStag>\r\n";

const Encoding kEncodings[] = {Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16Le,
                               Encoding::Utf16Be, Encoding::Ansi};

// An edit holding what needs escaping, a character beyond U+FFFF and an inline tag.
Segment richTarget() {
    Segment s = textSegment(L"A & B < C \U0001F600 ");
    appendSegmentStartTag(s, L"g", false, L"", L" id=\"1\"");
    appendSegmentText(s, L"bold");
    appendSegmentEndTag(s, L"g", false);
    return s;
}
const wchar_t kRichMarkup[] = L"A &amp; B &lt; C \U0001F600 <g id=\"1\">bold</g>";
// What an ANSI document holds for that character.
const wchar_t kRichMarkupAnsi[] = L"A &amp; B &lt; C &#128512; <g id=\"1\">bold</g>";

struct Edit {
    int32_t row;
    Segment target;
    // The document's text before and after, as the expectation replaces it once.
    std::wstring before;
    std::wstring after;
};

struct SaveCase {
    const char* label;
    const wchar_t* fileName;
    const wchar_t* text;
    std::vector<Edit> edits;
};

std::vector<SaveCase> saveCases() {
    const std::wstring rich = kRichMarkup;
    return {
        {"xliff_existing_target", L"d.xlf", kXliff,
         {{0, richTarget(), L"<target state=\"x\">Caf\u00E9 ouvert</target>",
           L"<target state=\"x\">" + rich + L"</target>"}}},
        {"xliff_no_target", L"d.xlf", kXliff,
         {{1, textSegment(L"Pas de cible"), L"<source>No target</source>",
           L"<source>No target</source><target>Pas de cible</target>"}}},
        {"xliff_self_closing_spaced_cdata_two_targets", L"d.xlf", kXliff,
         {{2, textSegment(L"vide"), L"<target state=\"new\"/>", L"<target state=\"new\">vide</target>"},
          {3, textSegment(L"new"), L"<target >old</target >", L"<target >new</target >"},
          {4, textSegment(L"a]]>b"), L"<target><![CDATA[old]]></target>",
           L"<target><![CDATA[a]]]]><![CDATA[>b]]></target>"},
          {5, textSegment(L"un"), L"<target>first</target>", L"<target>un</target>"}}},
        {"segmented_and_old_target_name", L"d.sdlxliff", kSegmented,
         // The new target is named as the document names its targets.
         {{0, textSegment(L"S"), L"</seg-source>", L"</seg-source><TRADOS_target>S</TRADOS_target>"},
          {1, textSegment(L"neu"), L"<TRADOS_target>alt</TRADOS_target>",
           L"<TRADOS_target>neu</TRADOS_target>"}}},
        // Emptied targets, of rows never edited: the row keeps its CDATA section.
        {"xliff_cleared_targets", L"d.xlf", kXliff,
         {{0, Segment(), L"<target state=\"x\">Caf\u00E9 ouvert</target>", L"<target state=\"x\"></target>"},
          {3, Segment(), L"<target >old</target >", L"<target ></target >"},
          {4, Segment(), L"<target><![CDATA[old]]></target>", L"<target><![CDATA[]]></target>"}}},
        {"ttx_cleared_target", L"d.ttx", kTtx,
         {{0, Segment(), L"<Tuv Lang=\"FR\">Caf\u00E9 ouvert</Tuv>", L"<Tuv Lang=\"FR\"></Tuv>"}}},
        {"ttx", L"d.ttx", kTtx,
         {{0, richTarget(), L"<Tuv Lang=\"FR\">Caf\u00E9 ouvert</Tuv>",
           L"<Tuv Lang=\"FR\">" + rich + L"</Tuv>"},
          {1, textSegment(L"Sans"), L"<Tuv Lang=\"EN\">No target</Tuv>",
           L"<Tuv Lang=\"EN\">No target</Tuv><Tuv Lang=\"FR\">Sans</Tuv>"}}},
    };
}

std::wstring expectedText(const SaveCase& c, Encoding e) {
    std::wstring text = c.text;
    for (const Edit& edit : c.edits) {
        const size_t at = text.find(edit.before);
        EXPECT_NE(at, std::wstring::npos) << "fixture lacks the edited text";
        std::wstring after = edit.after;
        if (e == Encoding::Ansi)
            replaceAll(after, kRichMarkup, kRichMarkupAnsi);
        text.replace(at, edit.before.size(), after);
    }
    return text;
}

TEST(DocumentSave, RoundTripsChangeOnlyTheEditedContentInEveryEncoding) {
    for (const SaveCase& c : saveCases()) {
        for (Encoding e : kEncodings) {
            SCOPED_TRACE(std::string(c.label) + " " + encodingName(e));
            TempDir dir(L"docs");
            const std::wstring path = dir.file(c.fileName);
            const std::string original = encode(c.text, e);
            ASSERT_TRUE(testfiles::writeText(path, original));

            auto document = open(path);
            ASSERT_FALSE(document->failed());
            // Without an edit every byte stays, byte-order mark and all.
            ASSERT_TRUE(document->save());
            EXPECT_EQ(testfiles::readText(path), original);

            // An empty target is given as the document view gives it: by clearing the row.
            for (const Edit& edit : c.edits) {
                ASSERT_TRUE(edit.target.empty() ? document->clearTarget(edit.row)
                                                : document->setTarget(edit.row, edit.target));
                EXPECT_TRUE(document->isTargetEdited(edit.row));
            }
            ASSERT_TRUE(document->save());
            EXPECT_EQ(testfiles::readText(path), encode(expectedText(c, e), e));
            EXPECT_EQ(dir.names().size(), 1u);

            // Read again after the save: the rows hold what was written, not edited any more.
            // (A TTX reader keeps the text of inline codes but not their tags.)
            const bool ttx = std::wstring(c.fileName).find(L".ttx") != std::wstring::npos;
            const auto readBack = [&](TranslatableContentProvider& d, const Edit& edit) {
                if (ttx)
                    EXPECT_EQ(targetText(d, edit.row), plain(edit.target));
                else
                    EXPECT_EQ(targetMarkup(d, edit.row), renderSegmentXml(edit.target));
            };
            for (const Edit& edit : c.edits) {
                EXPECT_FALSE(document->isTargetEdited(edit.row));
                readBack(*document, edit);
            }
            // A second edit and save work on the new bytes.
            ASSERT_TRUE(document->setTarget(c.edits[0].row, textSegment(L"zwei")));
            ASSERT_TRUE(document->save());
            document.reset();
            auto reopened = open(path);
            ASSERT_FALSE(reopened->failed());
            EXPECT_EQ(targetText(*reopened, c.edits[0].row), L"zwei");
            for (size_t i = 1; i < c.edits.size(); ++i)
                readBack(*reopened, c.edits[i]);
        }
    }
}

TEST(DocumentSave, RowOperationsAndRowsTheSaveWouldSkip) {
    TempDir dir(L"docs");
    const std::wstring path = dir.file(L"ops.xlf");
    ASSERT_TRUE(testfiles::writeText(path, encode(kXliff, Encoding::Utf8)));
    auto document = open(path);
    ASSERT_FALSE(document->failed());

    // A unit without source text cannot be placed by a save, so it takes no target.
    EXPECT_FALSE(document->setTarget(6, textSegment(L"x")));
    EXPECT_TRUE(document->isRowUnusable(6));
    EXPECT_FALSE(document->setTarget(7, textSegment(L"x")));
    EXPECT_FALSE(document->clearTarget(-1));
    EXPECT_FALSE(document->clearTarget(6));
    EXPECT_FALSE(document->isTargetEdited(6));
    EXPECT_FALSE(document->clearTarget(7));

    // An edited target reads back even when empty; clearing keeps the row marked as edited.
    ASSERT_TRUE(document->setTarget(0, Segment()));
    EXPECT_TRUE(document->isTargetEdited(0));
    EXPECT_EQ(targetText(*document, 0), L"");
    ASSERT_TRUE(document->setTarget(0, textSegment(L"neu")));
    ASSERT_TRUE(document->clearTarget(0));
    EXPECT_TRUE(document->isTargetEdited(0));
    EXPECT_EQ(targetText(*document, 0), L"");
    ASSERT_TRUE(document->save());
    std::wstring expected = kXliff;
    replaceAll(expected, L"<target state=\"x\">Caf\u00E9 ouvert</target>", L"<target state=\"x\"></target>");
    EXPECT_EQ(testfiles::readText(path), encode(expected, Encoding::Utf8));
}

TEST(DocumentSave, AReadOnlyDocumentStaysAsItWasAndKeepsTheEdits) {
    TempDir dir(L"docs");
    const std::wstring path = dir.file(L"locked.xlf");
    const std::string original = encode(kXliff, Encoding::Utf8);
    ASSERT_TRUE(testfiles::writeText(path, original));
    auto document = open(path);
    ASSERT_FALSE(document->failed());
    ASSERT_TRUE(document->setTarget(0, textSegment(L"neu")));

    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(document->save());
    EXPECT_EQ(testfiles::readText(path), original);
    EXPECT_EQ(dir.names().size(), 1u);
    EXPECT_EQ(targetText(*document, 0), L"neu");

    // Once freed, the same edits are saved.
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(document->save());
    document.reset();
    EXPECT_EQ(targetText(*open(path), 0), L"neu");
}

TEST(DocumentSave, TheOpenDocumentCannotBeChangedByOthersAndDestructionWritesNothing) {
    TempDir dir(L"docs");
    const std::wstring path = dir.file(L"held.ttx");
    const std::string original = encode(kTtx, Encoding::Utf16Le);
    ASSERT_TRUE(testfiles::writeText(path, original));
    {
        auto document = open(path);
        ASSERT_FALSE(document->failed());
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
        ASSERT_TRUE(document->setTarget(0, textSegment(L"jamais")));
        // A stale file of the old temporary name is not taken for a save.
        ASSERT_TRUE(testfiles::writeText(path + L".___", "stale"));
    }
    EXPECT_EQ(testfiles::readText(path), original);
}

} // namespace
