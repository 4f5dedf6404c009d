#include "viewer/DocumentLookup.h"

#include "core/tests/TestFiles.h"
#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/SegmentRenderer.h"
#include "viewer/SearchSettings.h"
#include "viewer/documents/XliffContentProvider.h"
#include "viewer/tests/DocumentViewTestSupport.h"
#include "viewer/tests/LookupTestSupport.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using lookuptest::words;

Segment textSegment(const std::wstring& text) {
    Segment segment;
    appendSegmentText(segment, text);
    return segment;
}

TEST(DocumentLookupTest, ASourceIsLookedUpWithEveryWordItHolds) {
    const struct {
        const wchar_t* label;
        const wchar_t* source;
        const wchar_t* text;
        const wchar_t* include;
    } cases[] = {
        {L"option and hyphenated words", L"    --ignore-file-name-case     ignore case when comparing file names",
         L"--ignore-file-name-case ignore case when comparing file names",
         L"ignore file name case ignore case when comparing file names"},
        {L"short option", L"  -a, --text  treat all files as text", L"-a, --text treat all files as text",
         L"a text treat all files as text"},
        {L"word after a minus", L"print the high-order bits -first", L"print the high-order bits -first",
         L"print the high order bits first"},
        {L"line breaks and tabs", L"two\tlines\r\n\r\n  of text\n", L"two lines of text", L"two lines of text"},
        {L"blank", L" \t\r\n ", L"", L""},
        {L"empty", L"", L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.label)));
        const DocumentLookup lookup = lookupOfSource(textSegment(c.source), 150);
        EXPECT_EQ(lookup.text, c.text);
        EXPECT_EQ(words(lookup.words.includeWords), c.include);
        EXPECT_TRUE(lookup.words.excludeWords.empty());
    }
}

// Tags of the source are no text of the lookup; the text on both sides of them is.
TEST(DocumentLookupTest, TagsOfTheSourceAreLeftOut) {
    Segment source = textSegment(L"Open the ");
    source.push_back(SegmentElement(SegmentElementKind::OpeningTag, L"g", L" id=\"3\""));
    appendSegmentText(source, L"file");
    source.push_back(SegmentElement(SegmentElementKind::ClosingTag, L"g"));
    appendSegmentText(source, L" -now");
    const DocumentLookup lookup = lookupOfSource(source, 150);
    EXPECT_EQ(lookup.text, L"Open the file -now");
    EXPECT_EQ(words(lookup.words.includeWords), L"open the file now");
    EXPECT_EQ(lookup.words.perWordBudget, 150u / 4u);
}

TEST(DocumentLookupTest, TheDocumentsTargetLanguageIsFoundInTheMemorysLanguages) {
    const LanguageMap many = {{L"cs", L'a'}, {L"de", L'b'}, {L"en", L'c'}, {L"fr", L'd'},
                              {L"pt-BR", L'e'}, {L"zh-TW", L'f'}};
    const struct {
        const wchar_t* label;
        LanguageMap languages;
        const wchar_t* document;
        int32_t index;
    } cases[] = {
        {L"same code", many, L"fr", 3},
        {L"other letter case", many, L"ZH-tw", 5},
        {L"document with a region", many, L"fr-FR", 3},
        {L"memory with a region", many, L"pt", 4},
        {L"underscore", many, L"pt_PT", 4},
        {L"first of the same primary code", {{L"fr-BE", L'a'}, {L"fr-CA", L'b'}}, L"fr-FR", 0},
        {L"exact code before the same primary code", {{L"fr-BE", L'a'}, {L"fr-FR", L'b'}}, L"fr-fr", 1},
        {L"not held", many, L"ja", -1},
        {L"no primary code alike", many, L"f", -1},
        {L"document names none", many, L"", -1},
        {L"memory without languages", LanguageMap(), L"fr", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.label)));
        EXPECT_EQ(documentLanguageIndex(c.languages, c.document), c.index);
    }
}

// The English segments of the units of a TMX file that also hold the language, white space
// folded, read with a plain scan of the file's text.
std::set<std::wstring> unitSources(const std::string& tmx, const std::string& language) {
    std::set<std::wstring> sources;
    const std::string english = "<tuv xml:lang=\"en\">";
    for (size_t at = tmx.find(english); at != std::string::npos; at = tmx.find(english, at + 1)) {
        const size_t seg = tmx.find("<seg>", at);
        const size_t end = tmx.find("</seg>", seg);
        const size_t unitEnd = tmx.find("</tu>", at);
        if (seg == std::string::npos || end == std::string::npos || unitEnd == std::string::npos)
            break;
        if (tmx.substr(at, unitEnd - at).find("xml:lang=\"" + language + "\"") == std::string::npos)
            continue;
        std::string text = tmx.substr(seg + 5, end - seg - 5);
        for (const auto& entity : {std::make_pair("&lt;", "<"), std::make_pair("&gt;", ">"),
                                   std::make_pair("&quot;", "\""), std::make_pair("&apos;", "'"),
                                   std::make_pair("&#13;", "\r"), std::make_pair("&amp;", "&")}) {
            for (size_t p = text.find(entity.first); p != std::string::npos; p = text.find(entity.first, p + 1))
                text.replace(p, std::char_traits<char>::length(entity.first), entity.second);
        }
        sources.insert(lookuptest::foldedBlanks(testfiles::fromUtf8(text)));
    }
    return sources;
}

bool findsItsOwnUnit(TmxEntryProvider& memory, const std::wstring& text, const SearchQuery& words) {
    bool strong = false;
    SearchResults results;
    memory.search(L"ru", words.includeWords, words.excludeWords, words.perWordBudget, strong, results);
    size_t shown = 0;
    for (const SearchResult& result : results) {
        if (++shown > 25)
            break;
        const TmxEntry* entry = memory.readEntry(result.entryId);
        if (entry && lookuptest::foldedBlanks(renderSegmentText(findSegment(*entry, L"en").segment, false, false)) == text)
            return true;
    }
    return false;
}

// Every row of the real diffutils document whose source the real memory holds, word for word,
// with a Russian variant, finds that unit among the results shown, when the source has words. Looked up as typed text,
// rows with options and hyphenated words ("--ignore-file-name-case") find nothing of the kind.
TEST(DocumentLookupTest, EveryRowOfARealDocumentFindsItsOwnUnitInARealMemory) {
    const std::wstring document = documenttest::corpusDocument(L"diffutils-en-ru-partial.xlf");
    const std::wstring corpusMemory = testfiles::corpusPath(L"multi-b.tmx");
    if (document.empty() || !testfiles::exists(corpusMemory))
        GTEST_SKIP() << "../shared/corpus is not beside the project: the real files are missing";
    documenttest::WorkFolder folder(L"lookup-real");
    const std::wstring copy = folder.file(L"multi-b.tmx");
    ASSERT_TRUE(documenttest::copyDocument(corpusMemory, copy));
    DeleteFileW((copy + L".idx").c_str());
    std::unique_ptr<TmxFile> memory = openTmx(copy);
    ASSERT_NE(memory, nullptr);
    const std::set<std::wstring> held = unitSources(testfiles::readText(copy), "ru");
    ASSERT_GT(held.size(), 4000u);

    XliffContentProvider rows(document);
    ASSERT_FALSE(rows.failed());
    int checked = 0;
    int missedAsTyped = 0;
    for (int32_t row = 0; row < rows.rowCount(); ++row) {
        Segment source;
        ASSERT_TRUE(rows.getSource(row, source));
        const DocumentLookup lookup = lookupOfSource(source, searchBudgetMaximum(25));
        // A source without words (a lone "'") is nothing a word search can find.
        if (lookup.words.includeWords.empty() || !held.count(lookup.text))
            continue;
        ++checked;
        EXPECT_TRUE(findsItsOwnUnit(*memory, lookup.text, lookup.words))
            << "row " << row << ": " << ::testing::PrintToString(lookup.text);
        if (!findsItsOwnUnit(*memory, lookup.text, SearchQuery::split(lookup.text, searchBudgetMaximum(25))))
            ++missedAsTyped;
    }
    EXPECT_GT(checked, 100);
    EXPECT_GT(missedAsTyped, 0);
    std::printf("%d rows held by the memory; as typed text %d of them find nothing of their own\n", checked,
                missedAsTyped);
}

} // namespace
