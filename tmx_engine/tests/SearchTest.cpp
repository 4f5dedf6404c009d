#include "IndexTestSupport.h"
#include "core/tests/TestFiles.h"

#include "tmx_engine/Search.h"
#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/TmxIndex.h"
#include "tmx_engine/TmxIndexBuilder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using indextest::segmentOf;

std::wstring describe(const SearchResults& results) {
    std::wstring out;
    for (const SearchResult& r : results) {
        if (!out.empty())
            out += L' ';
        out += std::to_wstring(r.score) + L':' + std::to_wstring(r.entryId);
    }
    return out;
}

class SearchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new testfiles::TempDir(L"idx_search");
        TmxIndexBuilder b;
        b.header().srcLang = L"en";
        b.addLanguage(L"de");
        b.addLanguage(L"fr");
        const wchar_t de = b.languagePrefix(L"de");
        const wchar_t fr = b.languagePrefix(L"fr");
        const struct {
            const wchar_t* text;
            wchar_t prefix;
        } entries[] = {
            {L"red car", de},                 // 0: 3 elements, 2 words
            {L"the red car is fast", de},     // 1: 9 elements, 5 words
            {L"a blue car", de},              // 2: 5 elements, 3 words
            {L"red", de},                     // 3: 1 element, 1 word
            {L"car red", fr},                 // 4: 3 elements, 2 words
            {L"red bus", de},                 // 5: 3 elements, 2 words
            {L"one two three four.", de},     // 6: 8 elements, 4 words
            {L"cold tea please", de},         // 7: 5 elements, 3 words
            {L"cold tea now please", de},     // 8: 7 elements, 4 words
        };
        uint32_t offset = 0;
        for (const auto& e : entries)
            b.addEntry(L"en", segmentOf(e.text), e.prefix, offset += 100);
        const std::wstring path = dir_->file(L"s.tmx.idx");
        ASSERT_TRUE(b.write(path));
        index_ = new TmxIndex;
        ASSERT_TRUE(index_->open(path, false));
    }
    static void TearDownTestSuite() {
        delete index_;
        delete dir_;
    }

    static testfiles::TempDir* dir_;
    static TmxIndex* index_;
};

testfiles::TempDir* SearchTest::dir_ = nullptr;
TmxIndex* SearchTest::index_ = nullptr;

TEST_F(SearchTest, ScoresPairsFallsBackToSingleWordsAndHonoursExclusions) {
    const struct {
        const wchar_t* query;
        const wchar_t* language;
        uint32_t budget;
        bool strongBefore;
        int found;
        bool strong;
        const wchar_t* results;
    } cases[] = {
        // One pair term (N = 1): 65536 minus the element count.
        {L"red car", L"de", 75, false, 2, true, L"65533:0 65527:1"},
        {L"car red", L"fr", 75, false, 1, true, L"65533:4"},
        // One word: every pair that starts with it, 4096 minus the word count; equal scores keep
        // the order in which they were added.
        {L"Red", L"de", 150, false, 4, true, L"4095:3 4094:0 4094:5 4091:1"},
        // "the" counts for i = 2 but makes no term: the single-word search divides by 2.
        {L"the car", L"de", 75, true, 3, false, L"2046:0 2045:2 2043:1"},
        // Pairs that find nothing: three words fall back to single words, four do not.
        {L"green apple red", L"de", 50, true, 4, false, L"1364:3 1363:0 1363:5 1360:1"},
        {L"green apple big tree", L"de", 50, true, 0, false, L""},
        {L"car red", L"de", 75, false, 5, false, L"4094:0 4091:1 2047:3 2046:5 2045:2"},
        // All six pairs of a unit of eight elements.
        {L"one two three four", L"de", 37, false, 1, true, L"65528:6"},
        // One pair of six: the second scan (threshold 1, divisor 3).
        {L"one two five six", L"de", 37, false, 1, false, L"21837:6"},
        {L"red", L"de", 0, true, 0, false, L""},
        {L"red car", L"it", 75, true, 0, false, L""},
        // No kept word: no term at all, strongMatch untouched.
        {L"the the", L"de", 75, true, 0, true, L""},
        {L"- 2024", L"de", 0, true, 0, false, L""},
        // Exclusions: the pair candidates keep divisor N.
        {L"cold tea -now", L"de", 75, false, 1, true, L"65531:7"},
        {L"cold tea -please", L"de", 75, true, 0, false, L""},
        {L"red -car", L"de", 150, false, 2, true, L"4095:3 4094:5"},
    };
    for (const auto& c : cases) {
        const SearchQuery q = SearchQuery::split(c.query, 150);
        SearchResults results;
        bool strong = c.strongBefore;
        const int found = searchIndex(*index_, c.language, q.includeWords, q.excludeWords, c.budget,
                                      strong, results);
        const std::string label = ::testing::PrintToString(std::wstring(c.query));
        EXPECT_EQ(found, c.found) << label;
        EXPECT_EQ(strong, c.strong) << label;
        EXPECT_EQ(describe(results), c.results) << label;
        EXPECT_EQ(results.added(), results.size()) << label;
    }
}

TEST_F(SearchTest, StrongMatchLooksAtTheWholeCollection) {
    const SearchQuery q = SearchQuery::split(L"the car", 150);
    SearchResults results;
    results.add(70000, 99);
    bool strong = false;
    EXPECT_EQ(searchIndex(*index_, L"de", q.includeWords, q.excludeWords, 75, strong, results), 3);
    EXPECT_TRUE(strong);
    EXPECT_EQ(describe(results), L"70000:99 2046:0 2045:2 2043:1");
}

TEST_F(SearchTest, ScanCountsCandidatesBelowTheScoreFloor) {
    const TermList terms = buildTerms(segmentOf(L"one two"), 0xFF22, 0x0E);
    SearchResults results;
    EXPECT_EQ(scanPairs(terms.terms, *index_, 0, results, 4), 1);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(scanPairs(terms.terms, *index_, 2, results, 1), 0);

    PairCandidates candidates;
    const TermList three = buildTerms(segmentOf(L"red car fast"), 0xFF22, 0x0E);
    EXPECT_EQ(scanPairCandidates(three.terms, *index_, 1, candidates), 2);
    const PairCandidates expected = {{0, 1}, {1, 3}};
    EXPECT_EQ(candidates, expected);
}

TEST(SearchResultsTest, HighestFirstAndEqualScoresInAdditionOrder) {
    SearchResults r;
    r.add(5, 1);
    r.add(9, 2);
    r.add(5, 3);
    EXPECT_EQ(describe(r), L"9:2 5:1 5:3");
    r.add(5, 4);
    r.add(9, 5);
    r.add(1, 6);
    EXPECT_EQ(describe(r), L"9:2 9:5 5:1 5:3 5:4 1:6");
    EXPECT_EQ(r.bestScore(), 9);
    EXPECT_EQ(r.added(), 6u);
    r.clear();
    EXPECT_TRUE(r.empty());
    EXPECT_EQ(r.added(), 0u);
}

} // namespace
