#include "group_builder/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLineTest, TheTailIsOnePathWithoutItsQuotes) {
    struct Case {
        const wchar_t* tail;
        const wchar_t* path;
    };
    const Case cases[] = {
        {L"", L""},
        {L"C:\\TM\\all.plexa", L"C:\\TM\\all.plexa"},
        {L"\"C:\\My TM\\all.plexa\"", L"C:\\My TM\\all.plexa"},
        {L"\"\"C:\\My TM\\all.plexa\"\"", L"C:\\My TM\\all.plexa"}, // both pairs go
        {L"  \"C:\\My TM\\all.plexa\" ", L"C:\\My TM\\all.plexa"},  // blanks around the quotes
        {L"\"\"", L"\"\""},                   // two characters: left as they are
        {L"\"a\"", L"a"},
        {L"\"\"\"", L"\""},                   // three: one pair goes
        {L"\"C:\\a.plexa", L"\"C:\\a.plexa"}, // unbalanced: unchanged
        {L"C:\\a b\\c.plexa", L"C:\\a b\\c.plexa"}, // no switches, blanks inside stay
        {L"/x", L"/x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(commandLinePath(c.tail), c.path) << c.tail;
}
