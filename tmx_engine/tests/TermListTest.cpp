#include "IndexTestSupport.h"

#include "tmx_engine/TermList.h"

#include <gtest/gtest.h>

namespace {

using indextest::segmentOf;

std::wstring joined(const TermList& list, bool reversed = false) {
    std::wstring out;
    for (const Term& t : list.terms) {
        if (!out.empty())
            out += L' ';
        out += (reversed ? t.reversed : t.text).substr(1);
    }
    return out;
}

TEST(TermListTest, TermsComeInTheOrderIndexAndSearchShare) {
    const struct {
        const wchar_t* text;
        unsigned options;
        const wchar_t* terms;
    } cases[] = {
        {L"a b c d", 0x4E, L"a|b b|c a|c c|d b|d a|d d|#$"},
        {L"a b c d", 0x0E, L"a|b b|c a|c c|d b|d a|d"},
        {L"a b c d e f", 0x12, L"a|b b|c c|d d|e a|e e|f b|f"},
        {L"a b c", 0x01, L"a| b| c|"},
        {L"a b", 0x4F, L"a| b| a|b b|#$"},
        // One kept word: its single term only, whatever the options; "the" never takes part.
        {L"The cat", 0x4E, L"cat|"},
        {L"the THE", 0x4E, L""},
        {L"Big, RED car!", 0x4E, L"big|red red|car big|car car|#$"},
        {L"2024 e.g. R&D", 0x4E, L"r|& &|d r|d d|#$"},
    };
    for (const auto& c : cases) {
        const TermList list = buildTerms(segmentOf(c.text), 0xFF22, c.options);
        EXPECT_EQ(joined(list), c.terms) << ::testing::PrintToString(std::wstring(c.text));
        for (const Term& t : list.terms)
            EXPECT_EQ(t.text[0], 0xFF22);
    }
}

TEST(TermListTest, ReversedTextsAndCounts) {
    const TermList list = buildTerms(segmentOf(L"The red car"), 0xFF23, 0x2E);
    EXPECT_EQ(joined(list), L"red|car");
    EXPECT_EQ(joined(list, true), L"car|red");
    EXPECT_EQ(list.prefix, 0xFF23);
    EXPECT_EQ(list.tokenCount, 5u);
    EXPECT_EQ(list.wordCount, 2u);
    EXPECT_EQ(list.options, 0x2Eu);
    EXPECT_TRUE(buildTerms(Segment(), 0xFF22, 0x4E).terms.empty());
}

} // namespace
