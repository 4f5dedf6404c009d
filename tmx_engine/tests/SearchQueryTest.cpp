#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/tests/QueryWords.h"

#include <gtest/gtest.h>

namespace {

struct QueryCase {
    const wchar_t* query;
    const wchar_t* include; // text/lower-cased text of each include word
    const wchar_t* exclude;
};

template <size_t N>
void expectSplits(const QueryCase (&cases)[N]) {
    for (const QueryCase& c : cases) {
        const SearchQuery q = SearchQuery::split(c.query, 150);
        EXPECT_EQ(queryWords(q.includeWords), c.include) << ::testing::PrintToString(std::wstring(c.query));
        EXPECT_EQ(queryWords(q.excludeWords), c.exclude) << ::testing::PrintToString(std::wstring(c.query));
    }
}

TEST(SearchQueryTest, SplitsIncludeAndExcludeWords) {
    const QueryCase cases[] = {
        {L"cat -dog", L"cat/cat", L"dog/dog"},
        {L"cat - dog", L"cat/cat dog/dog", L""},
        {L"cat -dog-house", L"cat/cat", L"dog/dog house/house"},
        {L"-", L"", L""},
        {L"2024", L"", L""},
        {L"-2024 cat", L"cat/cat", L""},
        {L"Big -e.g. -R&D", L"Big/big", L"R/r &/& D/d"},
        // A minus glued to other punctuation is not a minus token of its own.
        {L"a,-b -,c", L"a/a b/b c/c", L""},
        {L"The CAT", L"The/the CAT/cat", L""},
    };
    expectSplits(cases);
}

// A minus excludes only where it begins a word of the query, or goes on excluding after an
// excluded word; inside a word it is a hyphen and both halves must match.
TEST(SearchQueryTest, AHyphenInsideAWordExcludesNothing) {
    const QueryCase cases[] = {
        {L"read-only", L"read/read only/only", L""},
        {L"high-order x-default", L"high/high order/order x/x default/default", L""},
        {L"-x y", L"y/y", L"x/x"},
        {L"a --b", L"a/a b/b", L""},
        {L"e-mail -spam", L"e/e mail/mail", L"spam/spam"},
        {L"--check-order", L"check/check order/order", L""},
        {L"cat\t-dog", L"cat/cat", L"dog/dog"},
        {L"-read-only", L"", L"read/read only/only"},
        {L"2024-dog", L"dog/dog", L""},
        {L"\u201C-dog\u201D", L"dog/dog", L""},
    };
    expectSplits(cases);
}

TEST(SearchQueryTest, BudgetPerIncludeWord) {
    EXPECT_EQ(SearchQuery::budgetMaximum(25), 150u);
    EXPECT_EQ(SearchQuery::budgetMaximum(400), 400u);
    EXPECT_EQ(SearchQuery::budgetMaximum(-1), 4294967295u);
    EXPECT_EQ(SearchQuery::split(L"a b c", SearchQuery::budgetMaximum(25)).perWordBudget, 50u);
    EXPECT_EQ(SearchQuery::split(L"a b c", SearchQuery::budgetMaximum(400)).perWordBudget, 133u);
    EXPECT_EQ(SearchQuery::split(L"a -b", 150).perWordBudget, 150u);
    EXPECT_EQ(SearchQuery::split(L"- 2024", 150).perWordBudget, 0u);
}

} // namespace
