#include "core/util/StringUtils.h"

#include <gtest/gtest.h>

#include <climits>

TEST(StringUtilsTest, TrimRemovesOnlyTheFourBlanks) {
    EXPECT_EQ(trim(L" \t\r\n a b \n"), L"a b");
    EXPECT_EQ(trim(L" \t \r\n"), L"");
    EXPECT_EQ(trim(L""), L"");
    EXPECT_EQ(trim(L"\u00A0x\u00A0"), L"\u00A0x\u00A0");
}

TEST(StringUtilsTest, CaseAndAffixes) {
    EXPECT_EQ(toLowerCase(L"ABC\u00C9x.TMX"), L"abc\u00E9x.tmx");
    EXPECT_TRUE(endsWith(L".tmx", L"a.tmx"));
    EXPECT_FALSE(endsWith(L".tmx", L"tmx"));
    EXPECT_TRUE(endsWith(L"", L""));
    EXPECT_TRUE(startsWith(L"C:\\Program Files", L"C:\\Program Files (x86)\\x"));
    EXPECT_FALSE(startsWith(L"abc", L"ab"));
    EXPECT_TRUE(startsWith(L"", L"anything"));
    std::wstring path = L"a\\b/c\\";
    toForwardSlashes(path);
    EXPECT_EQ(path, L"a/b/c/");
}

TEST(StringUtilsTest, FormatsNumbers) {
    EXPECT_EQ(formatUnsigned(0), L"0");
    EXPECT_EQ(formatUnsigned(4294967295u), L"4294967295");
    // File offsets and unit indices beyond 32 bits print in full.
    EXPECT_EQ(formatUnsigned(4294967296ull + 4097), L"4294971393");
    EXPECT_EQ(formatUnsigned(UINT64_MAX), L"18446744073709551615");
    EXPECT_EQ(formatInt(-12), L"-12");
    EXPECT_EQ(formatInt(0), L"0");
    EXPECT_EQ(formatInt(INT32_MAX), L"2147483647");
    EXPECT_EQ(formatInt(INT32_MIN), L"-2147483648");
}

TEST(StringUtilsTest, ParsesDecimalNumbers) {
    struct Case { const wchar_t* text; bool ok; int32_t value; };
    const Case cases[] = {
        {L"007", true, 7},       {L"-", true, 0},        {L"12a", false, 12},
        {L" 5", false, 0},       {L"-42", true, -42},    {L"4294967297", true, 1},
        {L"2147483648", true, INT32_MIN},
    };
    for (const Case& c : cases) {
        int32_t value = -999;
        EXPECT_EQ(parseNumber(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    int32_t untouched = 99;
    EXPECT_FALSE(parseNumber(L"", untouched));
    EXPECT_EQ(untouched, 99);
    EXPECT_EQ(parseNumberOr(L"x", 5), 5);
    EXPECT_EQ(parseNumberOr(L"-3", 5), -3);
}

TEST(StringUtilsTest, ParsesHexWithoutPrefix) {
    uint32_t value = 0;
    EXPECT_TRUE(parseHex(L"00FFaa", value));
    EXPECT_EQ(value, 0x00FFAAu);
    EXPECT_TRUE(parseHex(L"123456789", value));
    EXPECT_EQ(value, 0x23456789u);
    EXPECT_FALSE(parseHex(L"", value));
    EXPECT_FALSE(parseHex(L"#FF", value));
    EXPECT_FALSE(parseHex(L"0x1F", value));
    EXPECT_FALSE(parseHex(L"1g", value));
}

TEST(StringUtilsTest, TakesPathsApart) {
    struct Case { const wchar_t* path; const wchar_t* name; const wchar_t* dir; };
    const Case cases[] = {
        {L"C:\\dir\\a.txt", L"a.txt", L"C:\\dir"},
        {L"C:a.txt", L"a.txt", L"C"},
        {L"a.txt", L"a.txt", L""},
        {L"\\a.txt", L"\\a.txt", L""},
        {L"x/y/", L"", L"x/y"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(getFileName(c.path), c.name) << c.path;
        EXPECT_EQ(getDirectory(c.path), c.dir) << c.path;
    }
}

TEST(StringUtilsTest, ReplacesExtensions) {
    EXPECT_EQ(replaceExtension(L"name.exe", L".cfg"), L"name.cfg");
    EXPECT_EQ(replaceExtension(L"dir.v2\\name", L".cfg"), L"dir.v2\\name.cfg");
    EXPECT_EQ(replaceExtension(L".profile", L".cfg"), L".profile.cfg");
    EXPECT_EQ(replaceExtension(L"C:a.b", L".cfg"), L"C:a.cfg");
    EXPECT_EQ(replaceExtension(L"a.tar.gz", L""), L"a.tar");
}

TEST(StringUtilsTest, CombinesRelativePathsWithFolders) {
    struct Case { const wchar_t* rel; const wchar_t* folder; const wchar_t* result; };
    const Case cases[] = {
        {L"..\\b.tmx", L"C:\\x\\y", L"C:\\x\\b.tmx"},
        {L"b.tmx", L"C:/x/", L"C:/x/b.tmx"},
        {L"..\\..\\..\\b", L"x\\y", L""},
        {L"a/b", L"C:\\x", L"C:\\x\\a\\b"},
        {L"./a", L"/x", L"/x/./a"},
        {L"..\\..\\b", L"C:\\x", L"C:\\b"},
        {L"", L"C:\\x", L"C:\\x"},
        {L"b", L"", L"b"},
        {L"..b", L"C:\\x", L"C:\\x\\..b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(combinePath(c.rel, c.folder), c.result) << c.rel << L" in " << c.folder;
}

TEST(StringUtilsTest, MovesRectangles) {
    EXPECT_EQ(moveRectTo(winui::Rect(10, 20, 30, 60), 1, 2), winui::Rect(1, 2, 21, 42));
}
