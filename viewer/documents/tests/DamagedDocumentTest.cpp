#include "core/tests/ByteMutator.h"
#include "viewer/documents/tests/DocumentExercise.h"
#include "viewer/documents/PathKind.h"
#include "viewer/documents/tests/DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace doctest;
using testfiles::TempDir;

namespace {

std::string readShared(const std::wstring& name) {
    return testfiles::readText(testfiles::sharedPath(name));
}

} // namespace

// Documents damaged by mutating real XLIFF files: each is refused or works in full, and a
// read-only copy keeps its bytes when the save fails.
TEST(DamagedDocuments, FuzzFoundDocumentsAreRefusedOrSavedWhole) {
    const std::wstring folder = testfiles::sharedPath(L"fuzz-found");
    std::vector<std::wstring> names;
    for (const std::wstring& name : testfiles::filesIn(folder))
        if (isDocumentKind(pathKindOf(name)))
            names.push_back(name);
    if (names.empty())
        GTEST_SKIP() << "no damaged documents at ../shared/fuzz-found";
    struct Known {
        const wchar_t* name;
        bool opens;
        int32_t rows;
        int32_t encoding;
    };
    const Known known[] = {
        {L"misnested-target.xlf", false, 0, 0},
        {L"typo-source-end.xlf", false, 0, 0},
        {L"single-quoted-decl-utf8.xlf", true, 8, 3},
    };
    for (const std::wstring& name : names) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        const std::string bytes = testfiles::readText(folder + L"\\" + name);
        {
            TempDir dir(L"fuzzdoc");
            const DocumentRun run = exerciseDocument(dir, name, bytes);
            EXPECT_EQ(run.fault, "");
            EXPECT_EQ(run.saved, run.opened);
        }
        TempDir dir(L"fuzzro");
        const std::wstring path = dir.file(name);
        ASSERT_TRUE(testfiles::writeText(path, bytes));
        auto document = open(path);
        ASSERT_TRUE(document);
        for (const Known& k : known) {
            if (name != k.name)
                continue;
            EXPECT_EQ(!document->failed(), k.opens);
            EXPECT_EQ(document->rowCount(), k.rows);
            if (k.opens) {
                EXPECT_EQ(dynamic_cast<BilingualDocument&>(*document).encoding(), k.encoding);
            }
        }
        for (int32_t row = 0; row < document->rowCount(); ++row)
            document->setTarget(row, textSegment(editText(row)));
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_FALSE(document->save());
        document.reset();
        EXPECT_EQ(testfiles::readText(path), bytes);
        EXPECT_EQ(dir.names().size(), 1u);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// The encoding an XML declaration names wins over the guess from the bytes, however the
// declaration is written; without one, bytes that are UTF-8 read as UTF-8.
TEST(DamagedDocuments, TheDeclaredEncodingWinsInEitherQuoteStyle) {
    // Twelve two-byte letters make the statistics alone see UTF-8; one letter is enough for
    // bytes that are UTF-8 throughout.
    const std::wstring few = L"Schlie\u00DFen";
    std::wstring many;
    for (int i = 0; i < 12; ++i)
        many += L"\u00E4";
    const std::wstring padding(120, L' '); // the guess looks only past the first 103 bytes
    struct Case {
        const char* label;
        std::wstring declaration;
        std::wstring target;
        int32_t encoding;
        Encoding bytes = Encoding::Utf8;
    };
    const Case cases[] = {
        {"single quotes", L"<?xml version='1.0' encoding='UTF-8'?>", few, 3},
        {"double quotes", L"<?xml version=\"1.0\" encoding=\"utf-8\"?>", few, 3},
        {"letter case of the name", L"<?xml version=\"1.0\" encoding='Utf-8' ?>", few, 3},
        {"a single-byte code page against the guess", L"<?xml version='1.0' encoding='windows-1252'?>", many, 1},
        {"no declaration, few letters: UTF-8", L"", few, 3},
        {"no declaration, many letters: UTF-8", L"", many, 3},
        {"no encoding named, few letters: UTF-8", L"<?xml version='1.0'?>", few, 3},
        {"no declaration, code-page bytes: ANSI", L"", few, 1, Encoding::Ansi},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring text = c.declaration + L"<xliff><file><body>" + padding +
                                  L"<trans-unit id=\"1\"><source>Close</source><target>" + c.target +
                                  L"</target></trans-unit><trans-unit id=\"2\"><source>Open</source>"
                                  L"<target>\u00D6ffnen</target></trans-unit></body></file></xliff>";
        // UTF-8 bytes but where a case says otherwise: the declaration, when there is one,
        // decides how they read.
        const std::string bytes = encode(text, c.bytes);
        TempDir dir(L"declared");
        const std::wstring path = dir.file(L"d.xlf");
        auto document = openWritten(dir, L"d.xlf", bytes);
        ASSERT_TRUE(document);
        EXPECT_EQ(dynamic_cast<BilingualDocument&>(*document).encoding(), c.encoding);
        if (c.encoding == 3) {
            EXPECT_EQ(targetText(*document, 0), c.target);
        }

        // The edit is written in the encoding the document was read in; the other rows read
        // as before, even when the edit removes what the guess was based on.
        ASSERT_TRUE(document->setTarget(0, textSegment(L"Schlie\u00DFen!")));
        const std::wstring secondBefore = targetText(*document, 1);
        ASSERT_TRUE(document->save());
        EXPECT_EQ(dynamic_cast<BilingualDocument&>(*document).encoding(), c.encoding);
        EXPECT_EQ(targetText(*document, 0), L"Schlie\u00DFen!");
        EXPECT_EQ(targetText(*document, 1), secondBefore);
        const std::string saved = testfiles::readText(path);
        if (c.encoding == 3) {
            EXPECT_TRUE(isValidUtf8(saved));
            EXPECT_NE(saved.find("Schlie\xC3\x9F" "en!"), std::string::npos);
        }
    }
}

// A Japanese document without its declaration: UTF-8 whose letters are all three-byte
// sequences. It reads as its bytes spell it, and an edit saved into it keeps the file UTF-8
// and every byte outside the edited target.
TEST(DamagedDocuments, AJapaneseDocumentWithoutADeclarationIsUtf8) {
    const std::string bytes = readShared(L"fuzz-found/documents/noenc-grep-en-ja.xlf");
    if (bytes.empty())
        GTEST_SKIP() << "no ../shared/fuzz-found/documents/noenc-grep-en-ja.xlf";
    TempDir dir(L"noenc");
    const std::wstring path = dir.file(L"grep-ja.xlf");
    auto document = openWritten(dir, L"grep-ja.xlf", bytes);
    ASSERT_TRUE(document);
    const auto& rows = dynamic_cast<BilingualDocument&>(*document);
    EXPECT_EQ(rows.encoding(), 3);

    // Each unit has one target: the n-th target element of the file is row n's, and one
    // written as plain text reads as its bytes decoded as UTF-8.
    size_t units = 0;
    for (size_t at = bytes.find("<trans-unit"); at != std::string::npos; at = bytes.find("<trans-unit", at + 1))
        ++units;
    ASSERT_EQ(document->rowCount(), static_cast<int32_t>(units));
    int32_t compared = 0;
    int32_t japanese = 0;
    int32_t row = 0;
    for (size_t at = bytes.find("<target"); at != std::string::npos; at = bytes.find("<target", at + 1), ++row) {
        const size_t start = bytes.find('>', at) + 1;
        const size_t end = bytes.find("</target>", start);
        ASSERT_NE(end, std::string::npos);
        const std::string content = bytes.substr(start, end - start);
        if (content.find_first_of("&<\r") != std::string::npos)
            continue;
        EXPECT_EQ(targetText(*document, row), testfiles::fromUtf8(content)) << "row " << row;
        ++compared;
        japanese += content.find_first_of("\xE3\xE4\xE5\xE6\xE7\xE8\xE9") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(row, document->rowCount());
    EXPECT_GT(japanese, 50);

    const std::wstring from = L"\u7121\u52B9\u306A\u524D\u65B9\u53C2\u7167\u3067\u3059";
    const std::wstring to = L"\u7121\u52B9\u306A\u5F8C\u65B9\u53C2\u7167\u3067\u3059\uFF01";
    int32_t edited = -1;
    for (int32_t r = 0; r < document->rowCount() && edited < 0; ++r)
        if (targetText(*document, r) == from)
            edited = r;
    ASSERT_GE(edited, 0);
    const DocumentRow before = *rows.row(edited);
    ASSERT_TRUE(document->setTarget(edited, textSegment(to)));
    ASSERT_TRUE(document->save());
    const std::string saved = testfiles::readText(path);
    EXPECT_TRUE(isValidUtf8(saved));
    EXPECT_EQ(saved, bytes.substr(0, static_cast<size_t>(before.targetContentStart)) + toUtf8(to) +
                         bytes.substr(static_cast<size_t>(before.targetContentEnd)));
    document.reset();
    auto reopened = open(path);
    ASSERT_FALSE(reopened->failed());
    EXPECT_EQ(dynamic_cast<BilingualDocument&>(*reopened).encoding(), 3);
    EXPECT_EQ(targetText(*reopened, edited), to);
}

// Two languages that are the same make every "Tuv" a source: a target written for one row
// reads back as a row of its own. The new file is checked before it replaces the document, so
// the save fails and the document keeps its bytes.
TEST(DamagedDocuments, ASaveWhoseNewFileReadsBackOtherwiseFailsAndKeepsTheDocument) {
    const std::string bytes = encode(
        L"<?xml version=\"1.0\" encoding=\"utf-8\"?><TRADOStag><FrontMatter><UserSettings "
        L"SourceLanguage=\"EN\" TargetLanguage=\"EN\"/></FrontMatter><Body><Raw>"
        L"<Tu><Tuv Lang=\"EN\">One</Tuv></Tu><Tu><Tuv Lang=\"EN\">Two</Tuv></Tu></Raw></Body></TRADOStag>",
        Encoding::Utf8);
    TempDir dir(L"readback");
    const std::wstring path = dir.file(L"same.ttx");
    auto document = openWritten(dir, L"same.ttx", bytes);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->rowCount(), 2);
    ASSERT_TRUE(document->setTarget(0, textSegment(L"Eins")));
    EXPECT_FALSE(document->save());
    EXPECT_EQ(testfiles::readText(path), bytes);
    EXPECT_EQ(dir.names().size(), 1u);
    // The edit stays, for the user to keep or undo.
    EXPECT_TRUE(document->isTargetEdited(0));
    EXPECT_EQ(targetText(*document, 0), L"Eins");
}

TEST(DamagedDocuments, RowsFlaggedUnusableTakeNoEdit) {
    std::wstring words;
    for (int i = 0; i < 76; ++i)
        words += i == 0 ? L"w" : L" w";
    const std::string bytes = encode(
        L"<xliff><file><body><trans-unit id=\"1\"><source>" + words + L"</source><target>x</target>"
        L"</trans-unit><trans-unit id=\"2\"><source/><target>y</target></trans-unit>"
        L"<trans-unit id=\"3\"><source>ok</source></trans-unit></body></file></xliff>",
        Encoding::Utf8);
    TempDir dir(L"unusable");
    auto document = openWritten(dir, L"u.xlf", bytes);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->rowCount(), 3);
    for (int32_t row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(document->isRowUnusable(row), row != 2);
        EXPECT_EQ(document->clearTarget(row), row == 2);
        EXPECT_EQ(document->setTarget(row, textSegment(L"neu")), row == 2);
        EXPECT_EQ(document->isTargetEdited(row), row == 2);
    }
}

// The real documents themselves: each opens, takes its edits, saves and reads back with them,
// still valid UTF-8 where it was.
TEST(DamagedDocuments, RealDocumentsOpenSaveAndReadBackWhole) {
    const std::wstring folder = testfiles::sharedPath(L"corpus/xliff");
    const std::vector<std::wstring> names = testfiles::filesIn(folder);
    if (names.empty())
        GTEST_SKIP() << "no documents at ../shared/corpus/xliff";
    for (const std::wstring& name : names) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        TempDir dir(L"realdoc");
        const DocumentRun run = exerciseDocument(dir, name, testfiles::readText(folder + L"\\" + name), 50);
        EXPECT_TRUE(run.opened);
        EXPECT_TRUE(run.saved);
        EXPECT_EQ(run.fault, "");
    }
}

// Seeded mutants of a real XLIFF document: whatever the damage, no crash, no fault of the save
// (see exerciseDocument), and a failed save changes nothing.
TEST(DamagedDocuments, MutantsOfARealDocumentCostNothing) {
    std::string original = readShared(L"corpus/xliff/sed-en-de.xlf");
    if (original.empty())
        GTEST_SKIP() << "no ../shared/corpus/xliff/sed-en-de.xlf";
    // The first units are enough to reach every kind of markup, and keep each mutant quick.
    const size_t cut = original.find("</trans-unit>", 6000);
    ASSERT_NE(cut, std::string::npos);
    original = original.substr(0, cut) + "</trans-unit></body></file></xliff>\n";
    ByteMutator mutator(2024);
    const int kMutants = 300;
    const ULONGLONG kMostMs = 60000;
    const ULONGLONG start = GetTickCount64();
    int opened = 0, saved = 0, done = 0;
    for (; done < kMutants && GetTickCount64() - start < kMostMs; ++done) {
        const std::string mutant = mutator.mutate(original);
        TempDir dir(L"mutant");
        const DocumentRun run = exerciseDocument(dir, L"m.xlf", mutant, 3);
        EXPECT_EQ(run.fault, "") << "mutant " << done;
        opened += run.opened ? 1 : 0;
        saved += run.saved ? 1 : 0;
        if (!run.fault.empty())
            testfiles::writeText(L"mutant-" + std::to_wstring(done) + L".xlf", mutant);
    }
    EXPECT_GE(done, 50) << "too few mutants ran in the time";
    // Both ways must be taken for the run to prove anything.
    EXPECT_GT(opened, 0);
    EXPECT_LT(opened, done);
    std::printf("%d mutants: %d opened, %d saved\n", done, opened, saved);
}
