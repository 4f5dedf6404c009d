#include "tmx_engine/TmxFileGroup.h"

#include "group_builder/GroupEntry.h"
#include "group_builder/GroupFileWriter.h"
#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/tests/GroupTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <string>
#include <vector>

using grouptest::ScratchFolder;
using grouptest::tmxText;
using grouptest::writeText;

namespace {

const uint32_t kRed = 0x000000FFu;
const uint32_t kGreen = 0x0000FF00u;
const uint32_t kBlue = 0x00FF0000u;

// The plain text of an entry's segment in one language.
std::wstring textOf(const TmxEntry* entry, const std::wstring& language) {
    if (!entry)
        return L"<none>";
    std::wstring text;
    for (const SegmentElement& element : findSegment(*entry, language).segment)
        text += element.text;
    return text;
}

// Four members: 4 units to German; a file whose units have no target (no entries); 3 units to
// German and French (6 entries); 5 units to German.
class TmxFileGroupTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(writeText(folder.file(L"zero.tmx"),
                               tmxText(L"en-US", {L"alpha beta one", L"alpha beta two", L"gamma", L"delta"},
                                       {L"de-DE"})));
        ASSERT_TRUE(writeText(folder.file(L"empty.tmx"), tmxText(L"en-US", {L"alone"}, {})));
        folder.folder(L"sub");
        ASSERT_TRUE(writeText(folder.file(L"sub\\one.tmx"),
                               tmxText(L"en-US", {L"alpha beta three", L"epsilon", L"zeta"},
                                       {L"de-DE", L"fr-FR"})));
        ASSERT_TRUE(writeText(folder.file(L"two.tmx"),
                               tmxText(L"en-US", {L"eta", L"theta", L"iota", L"kappa", L"alpha beta four"},
                                       {L"de-DE"})));
        groupPath = folder.file(L"all.plexa");
        ASSERT_TRUE(writeGroupFile(groupPath, {{folder.file(L"zero.tmx"), L"Zero", kRed},
                                               {folder.file(L"empty.tmx"), L"Empty", kGreen},
                                               {folder.file(L"sub\\one.tmx"), L"One & \"1\"", kBlue},
                                               {folder.file(L"two.tmx"), L"Two", 0xEEEEEEEEu}}));
    }

    ScratchFolder folder;
    std::wstring groupPath;
};

} // namespace

// Polled while a group of many members loads, first building every index and then reopening
// them, the progress only ever rises.
TEST_F(TmxFileGroupTest, LoadProgressOnlyRises) {
    std::vector<GroupEntry> entries;
    for (int i = 0; i < 24; ++i) {
        std::vector<std::wstring> units;
        for (int u = 0; u < 200; ++u)
            units.push_back(L"member " + std::to_wstring(i) + L" unit " + std::to_wstring(u));
        const std::wstring path = folder.file(L"m" + std::to_wstring(i) + L".tmx");
        ASSERT_TRUE(writeText(path, tmxText(L"en-US", units, {L"de-DE"})));
        entries.push_back({path, L"M" + std::to_wstring(i), kRed});
    }
    const std::wstring many = folder.file(L"many.plexa");
    ASSERT_TRUE(writeGroupFile(many, entries));
    for (const char* pass : {"building", "reopening"}) {
        SCOPED_TRACE(pass);
        TmxFileGroup group;
        std::atomic<bool> done{false};
        LoadCode result = kLoadNotEnded;
        std::thread loader([&] {
            result = group.load(many);
            done = true;
        });
        std::vector<int> seen;
        while (!done) {
            const int p = group.loadProgress();
            if (seen.empty() || p != seen.back())
                seen.push_back(p);
        }
        loader.join();
        EXPECT_EQ(result, 1);
        for (size_t i = 1; i < seen.size(); ++i) {
            // 0 only once the load has ended.
            if (seen[i] != 0) {
                EXPECT_GE(seen[i], seen[i - 1]) << "step " << i;
            }
            EXPECT_LE(seen[i], 100);
        }
        EXPECT_EQ(group.loadProgress(), 0);
    }
}

TEST_F(TmxFileGroupTest, MembersAndComposedIds) {
    TmxFileGroup group;
    EXPECT_EQ(group.loadProgress(), 0);
    ASSERT_EQ(group.load(groupPath), kLoaded);
    EXPECT_EQ(group.loadProgress(), 0);
    EXPECT_EQ(group.load(groupPath), kAlreadyLoaded);

    // The member without entries is dropped; the next takes its number, name and colour.
    EXPECT_EQ(group.fileCount(), 3);
    EXPECT_EQ(group.memberNames(), (std::vector<std::wstring>{L"Zero", L"One & \"1\"", L"Two"}));
    EXPECT_EQ(group.entryCount(), 4u + 6u + 5u);

    // Entry 5 of member 2 has the id 322.
    TmxFile two;
    ASSERT_EQ(two.load(folder.file(L"two.tmx")), kLoaded);
    ASSERT_EQ(two.entryCount(), 5u);
    EXPECT_EQ(TmxFileGroup::composeId(4, 2), 258u);
    EXPECT_EQ(TmxFileGroup::composeId(5, 2), 322u);
    EXPECT_EQ(group.memberName(258), L"Two");
    EXPECT_EQ(group.memberColor(258), 0xEEEEEEEEu);
    EXPECT_EQ(textOf(group.readEntry(258), L"en-US"), L"alpha beta four");
    EXPECT_EQ(group.entryOffset(258), two.entryOffset(4));
    EXPECT_EQ(group.readEntry(322), nullptr);

    TmxFile one;
    ASSERT_EQ(one.load(folder.file(L"sub\\one.tmx")), kLoaded);
    for (uint32_t e = 0; e < one.entryCount(); ++e) {
        const uint32_t id = TmxFileGroup::composeId(e, 1);
        EXPECT_EQ(group.memberName(id), L"One & \"1\"");
        EXPECT_EQ(group.memberColor(id), kBlue);
        EXPECT_EQ(group.entryOffset(id), one.entryOffset(e));
        EXPECT_EQ(textOf(group.readEntry(id), L"fr-FR"), textOf(one.readEntry(e), L"fr-FR"));
    }
    EXPECT_EQ(group.memberName(0), L"Zero");
    EXPECT_EQ(group.memberColor(0), kRed);
    // Member numbers without a member.
    EXPECT_EQ(group.memberName(3), L"");
    EXPECT_EQ(group.memberColor(63), 0xEEEEEEEEu);
    EXPECT_EQ(group.readEntry(63), nullptr);
    EXPECT_EQ(group.entryOffset(63), 0u);

    // Languages gathered over the members, each with the next free prefix.
    LanguageMap expected;
    expected[L"de-DE"] = static_cast<wchar_t>(0xFF22);
    expected[L"fr-FR"] = static_cast<wchar_t>(0xFF23);
    EXPECT_EQ(group.languages(), expected);
    EXPECT_EQ(group.sourceLanguage().srcLang, L"en-US");
    EXPECT_EQ(group.sourceLanguage().creationTool, L"test");
}

TEST_F(TmxFileGroupTest, SearchCoversEveryMember) {
    TmxFileGroup group;
    ASSERT_EQ(group.load(groupPath), kLoaded);
    const SearchQuery query = SearchQuery::split(L"alpha beta", SearchQuery::budgetMaximum(25));

    // Each member on its own.
    int expectedCount = 0;
    std::vector<SearchResult> expected;
    const wchar_t* members[] = {L"zero.tmx", L"sub\\one.tmx", L"two.tmx"};
    for (uint32_t m = 0; m < 3; ++m) {
        TmxFile file;
        ASSERT_EQ(file.load(folder.file(members[m])), kLoaded);
        SearchResults own;
        bool strong = false;
        expectedCount += file.search(L"de-DE", query.includeWords, query.excludeWords, query.perWordBudget,
                                     strong, own);
        for (const SearchResult& r : own)
            expected.push_back({r.score, TmxFileGroup::composeId(r.entryId, m)});
    }
    // One ordering by score; equal scores keep member order.
    std::stable_sort(expected.begin(), expected.end(),
                     [](const SearchResult& a, const SearchResult& b) { return a.score > b.score; });

    SearchResults results;
    bool strong = false;
    const int count = group.search(L"de-DE", query.includeWords, query.excludeWords, query.perWordBudget,
                                   strong, results);
    EXPECT_EQ(count, expectedCount);
    EXPECT_GE(count, 4);
    EXPECT_TRUE(strong);
    ASSERT_EQ(results.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(results[i].score, expected[i].score) << i;
        EXPECT_EQ(results[i].entryId, expected[i].entryId) << i;
    }
    // Hits from all three members, each readable through its composed id.
    bool seen[3] = {false, false, false};
    for (const SearchResult& r : results) {
        seen[r.entryId & 63] = true;
        EXPECT_NE(textOf(group.readEntry(r.entryId), L"en-US").find(L"alpha beta"), std::wstring::npos);
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2]);

    // French exists in one member only.
    SearchResults french;
    group.search(L"fr-FR", query.includeWords, query.excludeWords, query.perWordBudget, strong, french);
    ASSERT_EQ(french.size(), 1u);
    EXPECT_EQ(french[0].entryId & 63, 1u);

    TmxFileGroup empty;
    SearchResults none;
    strong = true;
    EXPECT_EQ(empty.search(L"de-DE", query.includeWords, query.excludeWords, 10, strong, none), 0);
    EXPECT_FALSE(strong);
}

TEST_F(TmxFileGroupTest, LoadCodes) {
    const std::wstring zero = folder.file(L"zero.tmx");
    ASSERT_TRUE(writeText(folder.file(L"german.tmx"), tmxText(L"de-DE", {L"eins"}, {L"en-US"})));
    std::vector<GroupEntry> many;
    for (int i = 0; i < 65; ++i)
        many.push_back({zero, L"m" + std::to_wstring(i), 0});
    std::vector<GroupEntry> sixtyFour(many.begin(), many.begin() + 64);

    struct Case {
        const wchar_t* name;
        std::vector<GroupEntry> entries;
        LoadCode code;
        int members;
    };
    const std::vector<Case> cases = {
        {L"no members", {}, kLoadGroupMembersRefused, 0},
        {L"65 members", many, kLoadGroupMembersRefused, 0},
        {L"64 members", sixtyFour, kLoaded, 64},
        {L"only a member without entries", {{folder.file(L"empty.tmx"), L"E", 0}}, kLoadGroupWithoutEntries, 0},
        {L"different source languages", {{zero, L"en", 0}, {folder.file(L"german.tmx"), L"de", 0}},
         kLoadGroupMembersRefused, 2},
        {L"a missing member ends the load, earlier ones stay",
         {{zero, L"a", 0}, {folder.file(L"missing.tmx"), L"b", 0}, {zero, L"c", 0}}, kLoadIndexFailed, 1},
    };
    for (const Case& c : cases) {
        const std::wstring path = folder.file(L"case.plexa");
        ASSERT_TRUE(writeGroupFile(path, c.entries)) << c.name;
        TmxFileGroup group;
        EXPECT_EQ(group.load(path), c.code) << c.name;
        EXPECT_EQ(group.fileCount(), c.members) << c.name;
        EXPECT_EQ(group.memberNames().size(), static_cast<size_t>(c.members)) << c.name;
        EXPECT_EQ(group.loadProgress(), 0) << c.name;
    }

    // Group files that cannot be read.
    const struct {
        const wchar_t* name;
        std::string bytes;
    } unreadable[] = {
        {L"not XML", "<plexa><tmxfile shortName=\"a\" color=\"FF\">zero.tmx</tmxfile><<</plexa>"},
        {L"cut off inside a member", "<plexa><tmxfile shortName=\"a\">zero.t"},
        {L"cut off before the first member", "<?xml version=\"1.0\"?>\r\n<plexa>\r\n  <tmxfile short"},
        {L"cut off after a member", "<plexa><tmxfile shortName=\"a\">zero.tmx</tmxfile>"},
        {L"plain text", "zero.tmx"},
        {L"empty file", ""},
        {L"damaged UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plexa><tmxfile>zero\xFF.tmx</tmxfile></plexa>"},
    };
    for (const auto& u : unreadable) {
        const std::wstring path = folder.file(L"bad.plexa");
        ASSERT_TRUE(writeText(path, u.bytes));
        TmxFileGroup group;
        EXPECT_EQ(group.load(path), kLoadGroupUnreadable) << u.name;
    }
    TmxFileGroup missing;
    EXPECT_EQ(missing.load(folder.file(L"missing.plexa")), kLoadGroupUnreadable);

    // Relative member paths are resolved against the group file's folder.
    ASSERT_TRUE(writeText(folder.file(L"relative.plexa"),
                           "<plexa>\n<tmxfile shortName=\"r\">  sub/one.tmx\r\n</tmxfile>\n"
                           "<tmxfile shortName=\"s\" color=\"00FF00\">.\\zero.tmx</tmxfile>\n</plexa>\n"));
    TmxFileGroup relative;
    EXPECT_EQ(relative.load(folder.file(L"relative.plexa")), kLoaded);
    EXPECT_EQ(relative.memberNames(), (std::vector<std::wstring>{L"r", L"s"}));
    EXPECT_EQ(relative.memberColor(1), kGreen);
}

// The copy for one-pass readers holds the same entry whether or not it was read before, and is
// refused where readEntry finds nothing.
TEST_F(TmxFileGroupTest, UncachedReadsGiveTheSameEntries) {
    TmxFileGroup group;
    ASSERT_EQ(group.load(groupPath), kLoaded);
    const uint32_t ids[] = {TmxFileGroup::composeId(0, 0), TmxFileGroup::composeId(3, 0),
                            TmxFileGroup::composeId(5, 1), TmxFileGroup::composeId(4, 2)};
    for (uint32_t id : ids) {
        SCOPED_TRACE(id);
        const std::unique_ptr<TmxEntry> before = group.readEntryUncached(id);
        const TmxEntry* kept = group.readEntry(id);
        const std::unique_ptr<TmxEntry> after = group.readEntryUncached(id);
        ASSERT_TRUE(before && kept && after);
        EXPECT_NE(after.get(), kept);
        for (const TmxEntry* copy : {before.get(), after.get()}) {
            EXPECT_EQ(copy->tuid, kept->tuid);
            EXPECT_EQ(copy->sourceLanguage, kept->sourceLanguage);
            ASSERT_EQ(copy->segments.size(), kept->segments.size());
            for (const auto& language : kept->segments)
                EXPECT_EQ(findSegment(*copy, language.first).segment, language.second.segment);
        }
    }
    EXPECT_EQ(group.readEntryUncached(TmxFileGroup::composeId(6, 1)), nullptr);
    EXPECT_EQ(group.readEntryUncached(63), nullptr);
}
