#include "core/http/UrlEncoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kGuard = 0x7777;

// Runs f over a buffer of exactly room units followed by guard units, and checks that nothing
// beyond the room was touched.
template <class F>
std::wstring withGuardedBuffer(std::size_t room, std::size_t& result, F f) {
    std::vector<wchar_t> buffer(room + 8, kGuard);
    result = f(buffer.data(), room);
    for (std::size_t i = room; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], kGuard) << "written past the room at " << i;
    if (room == 0)
        return std::wstring();
    EXPECT_LT(result, room);
    EXPECT_EQ(buffer[result], L'\0');
    return std::wstring(buffer.data(), result);
}

std::wstring encode(const std::wstring& value, std::size_t room, std::size_t& result) {
    return withGuardedBuffer(room, result, [&](wchar_t* out, std::size_t r) {
        return urlEncode(value, out, r);
    });
}

std::wstring build(std::size_t room, const std::wstring& base, const std::vector<HttpParameter>& params,
                   std::size_t& result) {
    return withGuardedBuffer(room, result, [&](wchar_t* out, std::size_t r) {
        return buildRequestUrl(r, base, params.data(), params.size(), out);
    });
}

} // namespace

TEST(UrlEncodingTest, SafeCharactersAreLettersDigitsAndSevenMarks) {
    for (int byte = 0; byte < 256; ++byte) {
        const bool expected = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                              (byte >= '0' && byte <= '9') ||
                              (byte != 0 && std::strchr("!,-.;|~", byte) != nullptr);
        EXPECT_EQ(isUrlSafeChar(static_cast<unsigned char>(byte)), expected) << "byte " << byte;
    }
}

TEST(UrlEncodingTest, EncodesValuesAsUtf8WithLowerCaseEscapes) {
    struct Case {
        const wchar_t* value;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"1.2", L"1.2"},
        {L"a b&c", L"a+b%26c"},
        {L"\u00E9", L"%c3%a9"},
        {L"\u20AC", L"%e2%82%ac"},
        {L"!,-.;|~", L"!,-.;|~"},
        {L"+=/?#%_*'()", L"%2b%3d%2f%3f%23%25%5f%2a%27%28%29"},
        {L"\t\r\n\x7F", L"%09%0d%0a%7f"},
        // A surrogate pair is one character, sent as one four-byte sequence.
        {L"x\xD83D\xDE00y", L"x%f0%9f%98%80y"},
        // A lone surrogate keeps the three-byte form of the shared encoder.
        {L"\xD800z", L"%ed%a0%80z"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        std::size_t written = 0;
        EXPECT_EQ(encode(c.value, 64, written), c.expected) << "value " << ::testing::PrintToString(std::wstring(c.value));
        EXPECT_EQ(written, std::wcslen(c.expected));
    }
}

TEST(UrlEncodingTest, StopsBeforeTheFirstCharacterThatDoesNotFit) {
    struct Case {
        const wchar_t* value;
        std::size_t room;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"abc", 4, L"abc"},
        {L"abc", 3, L"ab"},
        {L"abc", 1, L""},
        {L"a\u00E9", 7, L"a"},          // %c3%a9 needs six units, one is left
        {L"a\u00E9", 8, L"a%c3%a9"},
        {L"a&b", 4, L"a"},              // never half an escape
        {L"\xD83D\xDE00", 12, L""},     // never half a character
        {L"\xD83D\xDE00", 13, L"%f0%9f%98%80"},
    };
    for (const Case& c : cases) {
        std::size_t written = 0;
        EXPECT_EQ(encode(c.value, c.room, written), c.expected)
            << "value " << ::testing::PrintToString(std::wstring(c.value)) << " room " << c.room;
    }
    std::size_t written = 99;
    encode(L"abc", 0, written);
    EXPECT_EQ(written, 0u);
}

TEST(UrlEncodingTest, BuildsTheQueryInParameterOrder) {
    const std::wstring base = L"http://updates.example/update/info.php";
    std::size_t length = 0;
    EXPECT_EQ(build(2000, base, {{L"cv", L"1.2"}, {L"lang", L"de"}}, length),
              base + L"?cv=1.2&lang=de");
    EXPECT_EQ(length, base.size() + 15);

    // Names and the base URL are written as they stand; only values are encoded.
    EXPECT_EQ(build(2000, L"http://h/a b", {{L"n m", L"v w"}, {L"e", L"\u00E9"}}, length),
              L"http://h/a b?n m=v+w&e=%c3%a9");
    EXPECT_EQ(build(2000, base, {}, length), base);
}

TEST(UrlEncodingTest, RoomLimitsEndTheUrlWithoutOverrun) {
    const std::wstring base = L"http://h/p"; // 10 units
    const std::vector<HttpParameter> params = {{L"ab", L"xyz"}, {L"cd", L"uvw"}};
    struct Case {
        std::size_t room;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {30, L"http://h/p?ab=xyz&cd=uvw"},
        {24, L"http://h/p?ab=xyz&cd=uv"}, // the value is cut by the room left
        {23, L"http://h/p?ab=xyz&cd=u"},
        {22, L"http://h/p?ab=xyz&"},      // "cd=" would leave no unit for its value
        {19, L"http://h/p?ab=xyz&"},
        {18, L"http://h/p?ab=xyz"},       // no unit left even for the separator
        {16, L"http://h/p?ab=x"},
        {15, L"http://h/p?"},
        {12, L"http://h/p?"},
        {11, L"http://h/p"},              // the base fills the room: nothing more is written
    };
    for (const Case& c : cases) {
        std::size_t length = 0;
        EXPECT_EQ(build(c.room, base, params, length), c.expected) << "room " << c.room;
    }
}

TEST(UrlEncodingTest, BaseUrlLongerThanTheRoomIsRefused) {
    std::size_t length = 99;
    EXPECT_EQ(build(10, L"http://h/p", {{L"a", L"b"}}, length), L"");
    EXPECT_EQ(length, 0u);
    std::vector<wchar_t> untouched(4, kGuard);
    EXPECT_EQ(buildRequestUrl(0, L"http://h/p", nullptr, 0, untouched.data()), 0u);
    EXPECT_EQ(untouched[0], kGuard);
}
