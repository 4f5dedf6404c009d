#include "core/settings/Properties.h"
#include "core/util/StringUtils.h"
#include "viewer/SearchSettings.h"
#include "viewer/TmxSearchJob.h"
#include "viewer/tests/FakeProvider.h"
#include "viewer/tests/LookupTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using lookuptest::words;

TEST(TmxSearchJobTest, QueryWordsAndBudgetReachTheSearch) {
    const struct {
        const wchar_t* query;
        int32_t maxSearchResults;
        const wchar_t* include;
        const wchar_t* exclude;
        uint32_t budget;
    } cases[] = {
        {L"cat -dog", 25, L"cat", L"dog", 150},
        {L"cat - dog", 25, L"cat dog", L"", 75},
        {L"cat -dog-house", 25, L"cat", L"dog house", 150},
        {L"-", 25, L"", L"", 0},
        {L"2024", 25, L"", L"", 0},
        {L"  Red  Green blue \t", 25, L"red green blue", L"", 50},
        {L"red green blue", 400, L"red green blue", L"", 133},
        // A stored count below 1 reads as 25: the budget is that of 150, never of 4294967295.
        {L"red green blue", -1, L"red green blue", L"", 50},
        {L"red green blue", 0, L"red green blue", L"", 50},
        {L"red", -2147483647 - 1, L"red", L"", 150},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.query)) + " " + std::to_string(c.maxSearchResults));
        viewertest::FakeProvider provider;
        TmxSearchJob job(L"de-DE", &provider, c.query, searchBudgetMaximum(c.maxSearchResults));
        EXPECT_EQ(job.query(), trim(c.query));
        job.run();
        EXPECT_EQ(provider.searchCalls, 1);
        EXPECT_EQ(provider.searchedLanguage, L"de-DE");
        EXPECT_EQ(words(provider.searchedInclude), c.include);
        EXPECT_EQ(words(provider.searchedExclude), c.exclude);
        EXPECT_EQ(provider.searchedBudget, c.budget);
        EXPECT_EQ(job.perWordBudget(), c.budget);
    }
}

TEST(TmxSearchJobTest, KeepsWhatTheSearchFound) {
    viewertest::FakeProvider provider;
    provider.searchAnswer = {7, 3, 5};
    TmxSearchJob job(L"fr-FR", &provider, L"word", 150);
    job.run();
    ASSERT_EQ(job.results().size(), 3u);
    EXPECT_EQ(job.results()[0].entryId, 7u);
    EXPECT_EQ(job.results()[2].entryId, 5u);
    EXPECT_EQ(job.searchResult(), 3);
    EXPECT_TRUE(job.strongMatch());
    EXPECT_EQ(job.provider(), &provider);
    EXPECT_EQ(job.targetLanguage(), L"fr-FR");
}

TEST(TmxSearchJobTest, WithoutProviderNothingRuns) {
    TmxSearchJob job(L"de-DE", nullptr, L"word", 150);
    job.run();
    EXPECT_TRUE(job.results().empty());
    EXPECT_EQ(job.searchResult(), 0);
}

TEST(MaxSearchResultsTest, StoredValuesBelowOneReadAs25) {
    const struct {
        bool stored;
        int32_t value;
        int32_t expected;
    } cases[] = {
        {false, 0, 25}, {true, 25, 25}, {true, 1, 1}, {true, 400, 400},
        {true, 0, 25},  {true, -1, 25}, {true, -2147483647 - 1, 25},
    };
    for (const auto& c : cases) {
        Properties settings;
        if (c.stored)
            settings.set<int>(L"maxSearchResults", c.value);
        EXPECT_EQ(readMaxSearchResults(settings), c.expected) << c.value;
    }
}

} // namespace
