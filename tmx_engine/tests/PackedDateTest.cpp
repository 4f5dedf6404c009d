#include "tmx_engine/PackedDate.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(PackedDateTest, ParsesAndFormatsTheTmxForm) {
    const PackedDate d = parsePackedDate(L"20240115T103045Z");
    EXPECT_EQ(d.year, 2024);
    EXPECT_EQ(d.month, 1);
    EXPECT_EQ(d.day, 15);
    EXPECT_EQ(d.hour, 10);
    EXPECT_EQ(d.minute, 30);
    EXPECT_EQ(d.second, 45);
    EXPECT_EQ(formatPackedDate(d), L"20240115T103045Z");

    uint8_t bytes[8];
    d.toBytes(bytes);
    const uint8_t expected[8] = {0xE8, 0x07, 1, 15, 10, 30, 45, 0};
    EXPECT_EQ(std::memcmp(bytes, expected, 8), 0);
    EXPECT_TRUE(PackedDate::fromBytes(expected).equals(d));
}

TEST(PackedDateTest, ShortTextsGiveTheZeroDateAndNothingIsValidated) {
    EXPECT_TRUE(parsePackedDate(L"20240115T1030").isZero());
    EXPECT_TRUE(parsePackedDate(L"").isZero());
    EXPECT_EQ(formatPackedDate(PackedDate()), L"00000000T000000Z");
    // Only position 8 and from 15 on are not looked at: 15 characters are enough.
    EXPECT_EQ(formatPackedDate(parsePackedDate(L"20240115X103045")), L"20240115T103045Z");

    // Separators are read as digits: ('-' - '0') = -3 and (':' - '0') = 10, then masked.
    const PackedDate garbage = parsePackedDate(L"2024-01-15T10:30:45Z");
    EXPECT_EQ(garbage.year, 2024);
    EXPECT_EQ(garbage.month, (10 * -3 + 0) & 0x0F);
    EXPECT_EQ(garbage.day, (10 * 1 + -3) & 0x1F);
    EXPECT_EQ(garbage.hour, (10 * 5 + ('T' - '0')) & 0x1F);
    EXPECT_EQ(garbage.minute, (10 * 1 + 0) & 0x3F);
    EXPECT_EQ(garbage.second, (10 * (':' - '0') + 3) & 0x3F);
}

TEST(PackedDateTest, SetMasksAndEqualsIgnoresSpareBits) {
    PackedDate a;
    a.set(70000, 0x1C, 0x3F, 0x37, 0x7B, 0xFF);
    EXPECT_EQ(a.year, static_cast<uint16_t>(70000));
    EXPECT_EQ(a.month, 0x0C);
    EXPECT_EQ(a.day, 0x1F);
    EXPECT_EQ(a.hour, 0x17);
    EXPECT_EQ(a.minute, 0x3B);
    EXPECT_EQ(a.second, 0x3F);

    PackedDate b = a;
    b.spare = 0x55;
    b.month |= 0xF0;
    b.second |= 0xC0;
    EXPECT_TRUE(a.equals(b));
    b.minute ^= 1;
    EXPECT_FALSE(a.equals(b));

    PackedDate late;
    late.set(10123, 1, 2, 3, 4, 5);
    EXPECT_EQ(formatPackedDate(late), L":1230102T030405Z");
}

TEST(PackedDateTest, FileDateDropsTheMilliseconds) {
    wchar_t dir[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, dir), 0u);
    const std::wstring path = std::wstring(dir) + L"packed_date_test.txt";
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SYSTEMTIME st = {};
    st.wYear = 2023;
    st.wMonth = 6;
    st.wDay = 7;
    st.wHour = 10;
    st.wMinute = 30;
    st.wSecond = 45;
    st.wMilliseconds = 900;
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);

    PackedDate d;
    ASSERT_TRUE(fileModificationDate(path, d));
    EXPECT_EQ(formatPackedDate(d), L"20230607T103045Z");
    DeleteFileW(path.c_str());

    EXPECT_FALSE(fileModificationDate(path, d));
    const PackedDate now = packedDateNow();
    EXPECT_GE(now.year, 2024);
}

} // namespace
