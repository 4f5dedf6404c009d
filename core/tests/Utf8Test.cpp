#include "core/util/Utf8.h"

#include <gtest/gtest.h>

TEST(Utf8Test, EncodesEachLengthAtItsBoundaries) {
    struct Case { std::wstring text; std::string bytes; };
    const Case cases[] = {
        {L"\u007F", "\x7F"},
        {L"\u0080", "\xC2\x80"},
        {L"\u07FF", "\xDF\xBF"},
        {L"\u0800", "\xE0\xA0\x80"},
        {L"\uFFFF", "\xEF\xBF\xBF"},
        {std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, "\xF0\x9F\x98\x80"},   // U+1F600
        {std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)}, "\xF4\x8F\xBF\xBF"},   // U+10FFFF
    };
    for (const Case& c : cases)
        EXPECT_EQ(toUtf8(c.text), c.bytes);
}

TEST(Utf8Test, LoneSurrogatesKeepTheirThreeByteForm) {
    EXPECT_EQ(toUtf8(std::wstring{wchar_t(0xD800), L'a'}), "\xED\xA0\x80" "a");
    EXPECT_EQ(toUtf8(std::wstring{wchar_t(0xDC00)}), "\xED\xB0\x80");
    EXPECT_EQ(toUtf8(std::wstring{wchar_t(0xD800)}), "\xED\xA0\x80");
    // A low surrogate before a high one is not a pair.
    EXPECT_EQ(toUtf8(std::wstring{wchar_t(0xDC00), wchar_t(0xD800)}), "\xED\xB0\x80\xED\xA0\x80");
}
