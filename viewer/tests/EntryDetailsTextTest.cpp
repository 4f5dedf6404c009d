#include "viewer/EntryDetailsText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

PackedDate date(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                unsigned second) {
    PackedDate d;
    d.set(year, month, day, hour, minute, second);
    return d;
}

// What the platform gives for the parts, computed here independently.
std::wstring platformDate(const SYSTEMTIME& time) {
    wchar_t out[128] = {};
    return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, out, 128) > 0
               ? std::wstring(out)
               : std::wstring();
}

std::wstring platformTime(const SYSTEMTIME& time) {
    wchar_t out[128] = {};
    return GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, out, 128) > 0
               ? std::wstring(out)
               : std::wstring();
}

SYSTEMTIME systemTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME t = {};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    return t;
}

TEST(EntryDetailsTextTest, DatesFormatInTheUsersLocaleOrAsMuchAsFormats) {
    const SYSTEMTIME normal = systemTime(2014, 3, 21, 14, 5, 33);
    const SYSTEMTIME midnight = systemTime(2014, 3, 21, 0, 0, 0);
    const SYSTEMTIME badMonth = systemTime(2014, 14, 21, 14, 5, 0);
    ASSERT_FALSE(platformDate(normal).empty());
    ASSERT_FALSE(platformTime(normal).empty());
    ASSERT_TRUE(platformDate(badMonth).empty());

    struct Case {
        const char* name;
        PackedDate date;
        std::wstring expected;
    };
    const Case cases[] = {
        {"normal", date(2014, 3, 21, 14, 5, 33), platformDate(normal) + L" " + platformTime(normal)},
        {"midnight", date(2014, 3, 21, 0, 0, 0), platformDate(midnight) + L" " + platformTime(midnight)},
        {"zero date", PackedDate(), L""},
        {"month 14", date(2014, 14, 21, 14, 5, 0), platformTime(badMonth)},
        {"month 14 at midnight", date(2014, 14, 21, 0, 0, 0), L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatEntryDate(c.date), c.expected) << c.name;
    EXPECT_NE(platformTime(midnight).find(L"00"), std::wstring::npos);
    EXPECT_EQ(orNotAvailable(formatEntryDate(PackedDate())), L"n/a");
}

TEST(EntryDetailsTextTest, TargetLanguagesAreTheOthersInCodeOrder) {
    TmxEntry entry;
    entry.sourceLanguage = L"en-US";
    EXPECT_TRUE(targetLanguagesOf(entry).empty());
    for (const wchar_t* code : {L"fr-FR", L"en-US", L"de-DE"})
        segmentForLanguage(entry, code);
    const std::vector<std::wstring> codes = targetLanguagesOf(entry);
    EXPECT_EQ(codes, (std::vector<std::wstring>{L"de-DE", L"fr-FR"}));
    EXPECT_EQ(joinLanguages(codes), L"de-DE, fr-FR");
    EXPECT_EQ(joinLanguages({}), L"");
    EXPECT_EQ(orNotAvailable(L"tu-7"), L"tu-7");
}

} // namespace
