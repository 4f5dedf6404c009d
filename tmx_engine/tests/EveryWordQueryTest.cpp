#include "tmx_engine/EveryWordQuery.h"
#include "tmx_engine/tests/QueryWords.h"

#include <gtest/gtest.h>

namespace {

// Minus signs of a looked-up text exclude nothing: every word must match, in text order.
TEST(EveryWordQueryTest, EveryWordIsIncludedWhateverMinusSignsTheTextHolds) {
    const struct {
        const wchar_t* text;
        const wchar_t* include;
        uint32_t budget;
    } cases[] = {
        {L"--check-order  check that the input is correctly sorted",
         L"check/check order/order check/check that/that the/the input/input is/is correctly/correctly sorted/sorted",
         150 / 9},
        {L"-a, --text  treat all files as text", L"a/a text/text treat/treat all/all files/files as/as text/text", 150 / 7},
        {L"print the high-order bits", L"print/print the/the high/high order/order bits/bits", 30},
        {L"cat -dog", L"cat/cat dog/dog", 75},
        {L"The CAT", L"The/the CAT/cat", 75},
        // Numbers and dotted words are no words of a query either way.
        {L"-2024 e.g. -", L"", 0},
        {L"", L"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.text)));
        const SearchQuery q = everyWordQuery(c.text, 150);
        EXPECT_EQ(queryWords(q.includeWords), c.include);
        EXPECT_TRUE(q.excludeWords.empty());
        EXPECT_EQ(q.perWordBudget, c.budget);
    }
}

// The same words as the typed query's two lists together: only which list they go to differs.
TEST(EveryWordQueryTest, TakesTheWordsTheTypedQueryTakes) {
    for (const wchar_t* text : {L"cat -dog-house", L"Big -e.g. -R&D", L"a,-b -,c", L"-x --y z-"}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(text)));
        const SearchQuery typed = SearchQuery::split(text, 150);
        EXPECT_EQ(everyWordQuery(text, 150).includeWords.size(),
                  typed.includeWords.size() + typed.excludeWords.size());
    }
}

} // namespace
