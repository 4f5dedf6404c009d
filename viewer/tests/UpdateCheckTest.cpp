#include "viewer/UpdateCheck.h"

#include "core/tests/ByteMutator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr uint64_t kSecond = 10000000;
constexpr uint64_t kHour = 3600 * kSecond;
constexpr uint64_t kDay = 24 * kHour;
// 1 March 2026, 12:00 UTC, as a FILETIME.
constexpr uint64_t kNow = 134168400000000000ull;

TEST(UpdateCheckTest, DaysBetweenCountsWholeDaysEitherWay) {
    struct Case {
        const char* name;
        uint64_t from;
        uint64_t to;
        int days;
    };
    const Case cases[] = {
        {"nothing stored", 0, kNow, static_cast<int>(kNow / kDay)},
        {"same day", kNow - 5 * kHour, kNow, 0},
        {"6 days 23 hours", kNow - 6 * kDay - 23 * kHour, kNow, 6},
        {"7 days", kNow - 7 * kDay, kNow, 7},
        {"7 days less 1 second", kNow - 7 * kDay + kSecond, kNow, 6},
        {"7 days less a tenth of a second (whole seconds count)", kNow - 7 * kDay + kSecond / 10, kNow, 7},
        {"7 days and 1 second", kNow - 7 * kDay - kSecond, kNow, 7},
        {"same instant", kNow, kNow, 0},
        {"clock set back 5 hours", kNow + 5 * kHour, kNow, 0},
        {"clock set back 3 days", kNow + 3 * kDay + kHour, kNow, -3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(daysBetween(FT(c.from), FT(c.to)), c.days) << c.name;
    // A clock set back runs no check until it passes the stored date by the whole interval.
    EXPECT_LT(daysBetween(FT(kNow), FT(kNow - kDay)), kUpdateCheckIntervalDays);
    EXPECT_GE(daysBetween(FT(kNow), FT(kNow + 7 * kDay)), kUpdateCheckIntervalDays);
}

TEST(UpdateCheckTest, AnAnnouncementIsNewOnlyWhenItsIdSortsAfterTheStoredOne) {
    struct Case {
        const wchar_t* stored;
        const wchar_t* received;
        bool unseen;
    };
    const Case cases[] = {
        {L"2014-05", L"2014-06", true},
        {L"2014-05", L"2014-05", false},
        {L"2014-06", L"2014-05", false},
        {L"9", L"10", false}, // by text, not by number
        {L"", L"1", true},
        {L"2014", L"2014-01", true}, // a prefix is less
        {L"x", L"", false},
        {L"", L"", false},
        {L"\u00e9", L"z", false}, // units compared unsigned
    };
    for (const Case& c : cases)
        EXPECT_EQ(isUnseenAnnouncement(c.stored, c.received), c.unseen)
            << testing::PrintToString(std::wstring(c.stored)) << " -> "
            << testing::PrintToString(std::wstring(c.received));
}

TEST(UpdateCheckTest, OnlyWebLinksAreOffered) {
    struct Case {
        std::wstring link;
        bool offered;
    };
    const Case cases[] = {
        {L"http://example.invalid/news", true},
        {L"HTTPS://EXAMPLE.INVALID/", true},
        {L"  \thttp://example.invalid/ \r\n", true},
        {L"file:///C:/Windows/notepad.exe", false},
        {L"C:\\x.exe", false},
        {L"\\\\host\\share\\run.exe", false},
        {L"http://example.invalid/\rcalc.exe", false},
        {L"http://example.invalid/\x85", false},
        {L"http:/example.invalid", false},
        {L"httpx://example.invalid", false},
        {L"ftp://example.invalid", false},
        {L"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isWebLink(c.link), c.offered) << testing::PrintToString(c.link);
}

TEST(UpdateCheckTest, LongAnnouncementsAreCutBeforeAWholeCharacter) {
    const size_t most = kMaxAnnouncementChars;
    const std::wstring fill(most - 1, L'a');
    const std::wstring ellipsis = L"\u2026";
    struct Case {
        const char* label;
        std::wstring text;
        std::wstring shown;
    };
    const Case cases[] = {
        {"short: as it is", L"Version 2.0", L"Version 2.0"},
        {"exactly the most: as it is", std::wstring(most, L'x'), std::wstring(most, L'x')},
        {"one more: cut", std::wstring(most + 1, L'x'), std::wstring(most, L'x') + ellipsis},
        {"a surrogate pair across the cut", fill + L"\U0001F600" + L"tail", fill + ellipsis},
        {"a letter and its accent across the cut", fill + L"e\u0301\u0301tail", fill + ellipsis},
        {"a megabyte", std::wstring(1 << 20, L'z'), std::wstring(most, L'z') + ellipsis},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shownAnnouncement(c.text), c.shown) << c.label;
    }
}

TEST(UpdateCheckTest, EndpointsUnderTheInvalidDomainAreNeverAsked) {
    struct Case {
        const wchar_t* endpoint;
        bool invalid;
    };
    const Case cases[] = {
        {L"http://update.varnel.invalid", true},
        {L"http://UPDATE.Varnel.INVALID:8080", true},
        {L"https://x.invalid./", true},
        {L"http://invalid", true},
        {L"http://127.0.0.1:8080", false},
        {L"http://invalid.example.com", false},
        {L"http://notinvalid", false},
        {L"http://x.invalidate.com/a.invalid", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isInvalidDomainEndpoint(c.endpoint), c.invalid) << testing::PrintToString(std::wstring(c.endpoint));
}

TEST(UpdateCheckTest, ReplyParserCollectsTheThreeTexts) {
    struct Case {
        const char* name;
        std::wstring xml;
        bool wellFormed;
        std::wstring id;
        std::wstring info;
        std::wstring link;
    };
    const Case cases[] = {
        {"plain",
         L"<info><AnnouncementID>2014-06</AnnouncementID><NewVersionInfo>Version 1.3</NewVersionInfo>"
         L"<MoreInfoURL>http://x.invalid/</MoreInfoURL></info>",
         true, L"2014-06", L"Version 1.3", L"http://x.invalid/"},
        {"CDATA and entities",
         L"<?xml version=\"1.0\"?><r><NewVersionInfo><![CDATA[New <b>release</b>]]></NewVersionInfo>"
         L"<MoreInfoURL>a?b=1&amp;c=2</MoreInfoURL><AnnouncementID>7</AnnouncementID></r>",
         true, L"7", L"New <b>release</b>", L"a?b=1&c=2"},
        {"split by a comment and a nested element",
         L"<a><b><NewVersionInfo>one <!-- note --> two <i>three</i> four</NewVersionInfo></b></a>",
         true, L"", L"one  two three four", L""},
        {"names are case-sensitive",
         L"<r><announcementid>1</announcementid><MoreInfoUrl>x</MoreInfoUrl></r>", true, L"", L"", L""},
        {"malformed after the id", L"<r><AnnouncementID>2014-07</AnnouncementID><oops</r>", false,
         L"", L"", L""},
        {"not XML", L"Service unavailable", true, L"", L"", L""},
        {"empty", L"", true, L"", L"", L""},
    };
    for (const Case& c : cases) {
        const UpdateReply reply = parseUpdateReply(c.xml);
        EXPECT_EQ(reply.wellFormed, c.wellFormed) << c.name;
        EXPECT_EQ(reply.announcementId, c.id) << c.name;
        EXPECT_EQ(reply.newVersionInfo, c.info) << c.name;
        EXPECT_EQ(reply.moreInfoUrl, c.link) << c.name;
    }
}

} // namespace

// Seeded mutants of a real reply text through the reply parser: no crash, and what it gives
// is bounded by what it was given.
TEST(UpdateCheckTest, MutantsOfARealReplyParseOrFailCleanly) {
    const std::string original =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<UpdateInfo>\n"
        "  <AnnouncementID>2025-02-01</AnnouncementID>\n"
        "  <NewVersionInfo><![CDATA[A new version: 2.0 & more]]> with faster search.</NewVersionInfo>\n"
        "  <MoreInfoURL>https://example.invalid/news?a=1&amp;b=2</MoreInfoURL>\n</UpdateInfo>\n";
    ByteMutator mutator(4242);
    int wellFormed = 0;
    const int kMutants = 500;
    for (int i = 0; i < kMutants; ++i) {
        const std::string mutant = mutator.mutate(original);
        // The client hands the parser UTF-16 text: widen byte by byte, as an ANSI reply is.
        const std::wstring text(mutant.begin(), mutant.end());
        const UpdateReply reply = parseUpdateReply(text);
        if (!reply.wellFormed) {
            EXPECT_TRUE(reply.announcementId.empty() && reply.newVersionInfo.empty() &&
                        reply.moreInfoUrl.empty()) << i;
            continue;
        }
        ++wellFormed;
        EXPECT_LE(reply.announcementId.size() + reply.newVersionInfo.size() + reply.moreInfoUrl.size(),
                  text.size()) << i;
    }
    // Both ways must be taken for the run to prove anything.
    EXPECT_GT(wellFormed, 0);
    EXPECT_LT(wellFormed, kMutants);
}

