#include "IndexTestSupport.h"
#include "core/tests/TestFiles.h"

#include "tmx_engine/IndexBuilder.h"
#include "tmx_engine/Search.h"
#include "tmx_engine/TmxIndex.h"
#include "tmx_engine/TmxIndexBuilder.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using indextest::segmentOf;

std::wstring lettersOf(uint32_t n) {
    std::wstring s;
    do {
        s += static_cast<wchar_t>(L'a' + n % 26);
        n /= 26;
    } while (n);
    return s;
}
using testfiles::TempDir;

const wchar_t kDe = 0xFF22;

TEST(IndexBuilderTest, SameEntryTwiceInARowIsKeptOnceAndSharedUnitsShareNodes) {
    IndexBuilder b;
    EXPECT_FALSE(b.addPosting(L"ab", 1));
    EXPECT_FALSE(b.addPosting(L"ab", 1));
    EXPECT_TRUE(b.addPosting(L"ab", 4));
    EXPECT_FALSE(b.addPosting(L"abc", 4));
    EXPECT_EQ(b.postingList(b.node(L"ab")), std::vector<uint32_t>({1, 4}));
    EXPECT_EQ(b.postingList(b.node(L"abc")), std::vector<uint32_t>({4}));
    // Three nodes (a, b, c) of three words each, and three postings.
    EXPECT_EQ(b.wordCount(), 12u);
    // A one-unit term has a bucket of its own, so "a" is not the first node of "ab".
    EXPECT_EQ(b.postingCount(b.node(L"a")), 0u);
    EXPECT_EQ(b.wordCount(), 15u);
    EXPECT_EQ(b.node(L""), 0u);
}

TEST(IndexBuilderTest, PostingCapKeepsExactly8192AndDropsAllOnThe8193rd) {
    IndexBuilder b;
    for (uint32_t e = 0; e < 8192; ++e)
        b.addPosting(L"common", e);
    const uint32_t node = b.node(L"common");
    EXPECT_EQ(b.postingCount(node), 8192u);
    const std::vector<uint32_t> list = b.postingList(node);
    EXPECT_EQ(list.front(), 0u);
    EXPECT_EQ(list.back(), 8191u);
    // The same entry again is a repeat, not an 8193rd entry.
    b.addPosting(L"common", 8191);
    EXPECT_EQ(b.postingCount(node), 8192u);
    EXPECT_FALSE(b.isCapped(node));

    const uint64_t before = b.wordCount();
    b.addPosting(L"common", 8192);
    EXPECT_TRUE(b.isCapped(node));
    EXPECT_EQ(b.postingCount(node), 0u);
    EXPECT_EQ(b.wordCount(), before - 8192);
    b.addPosting(L"common", 9000);
    EXPECT_EQ(b.postingCount(node), 0u);

    // The freed list is reused by the next long list, which still reads back intact.
    for (uint32_t e = 0; e < 5000; ++e)
        b.addPosting(L"other", e * 3);
    const std::vector<uint32_t> other = b.postingList(b.node(L"other"));
    ASSERT_EQ(other.size(), 5000u);
    for (uint32_t i = 0; i < 5000; ++i)
        ASSERT_EQ(other[i], i * 3);
}

TEST(IndexBuilderTest, EntriesIgnoreEmptyAndOtherLanguageSegmentsAndSaturateTheirCounts) {
    TmxIndexBuilder b;
    b.header().srcLang = L"en-US";
    b.addLanguage(L"de");
    b.addEntry(L"en-US", Segment(), kDe, 10);
    b.addEntry(L"en-GB", segmentOf(L"colour"), kDe, 20);
    b.addEntry(L"en", segmentOf(L"color"), kDe, 30);
    EXPECT_EQ(b.entryCount(), 0u);

    std::wstring many;
    for (int i = 0; i < 70000; ++i)
        many += L"a ";
    b.addEntry(L"en-US", segmentOf(many), kDe, 40);
    b.addEntry(L"en-US", segmentOf(L"\u6771\u4EAC \U0001F600"), kDe, 50);
    ASSERT_EQ(b.entryCount(), 2u);
    EXPECT_EQ(b.entry(0).tuOffset, 40u);
    EXPECT_EQ(b.entry(0).elementCount, 65535);
    EXPECT_EQ(b.entry(0).wordCount, 65535);
    // A character above U+FFFF is one token but two elements in the record, as in every index.
    EXPECT_EQ(segmentOf(L"\u6771\u4EAC \U0001F600").size(), 4u);
    EXPECT_EQ(b.entry(1).elementCount, 5);
    EXPECT_EQ(b.entry(1).wordCount, 0);
}

TEST(IndexBuilderTest, LanguagesGetTheNextFreePrefix) {
    TmxIndexBuilder b;
    b.addLanguage(L"de");
    b.addLanguage(L"fr");
    b.addLanguage(L"de");
    b.addLanguage(L"it", static_cast<wchar_t>(0x1234));
    b.addLanguage(L"es");
    EXPECT_EQ(b.languagePrefix(L"de"), 0xFF22);
    EXPECT_EQ(b.languagePrefix(L"fr"), 0xFF23);
    EXPECT_EQ(b.languagePrefix(L"it"), 0x1234);
    EXPECT_EQ(b.languagePrefix(L"es"), 0xFF25);
    EXPECT_EQ(b.languagePrefix(L"pt"), 0);

    TmxIndexBuilder many;
    for (int i = 0; i < 223; ++i)
        many.addLanguage(L"x" + std::to_wstring(1000 + i));
    EXPECT_EQ(many.languagePrefix(L"x1221"), 0xFFFF);
    EXPECT_EQ(many.languagePrefix(L"x1222"), 0x0000);
}

TEST(IndexBuilderTest, ReversedPairsShareTheirPostingsThroughAliases) {
    TempDir dir(L"idx_alias");
    const std::wstring path = dir.file(L"a.tmx.idx");
    TmxIndexBuilder b;
    b.header().srcLang = L"en";
    b.setPairMode(3);
    b.addLanguage(L"de");
    b.addEntry(L"en", segmentOf(L"red car"), kDe, 0);
    b.addEntry(L"en", segmentOf(L"car red"), kDe, 100);
    EXPECT_TRUE(b.isAlias(b.node(L"\uFF22car|red")));
    EXPECT_FALSE(b.isAlias(b.node(L"\uFF22red|car")));
    ASSERT_TRUE(b.write(path));
    EXPECT_EQ(testfiles::readFile(path).size(), b.fileSize());

    TmxIndex index;
    ASSERT_TRUE(index.open(path, false)) << index.lastError();
    EXPECT_EQ(index.pairMode(), 3);
    const uint32_t reversed = index.find(L"\uFF22car|red");
    EXPECT_EQ(index.postings(reversed, false).count, 0u);
    const Index::Postings shared = index.postings(reversed, true);
    ASSERT_EQ(shared.count, 1u);
    EXPECT_EQ(shared.at(0), 0u);
}

TEST(IndexBuilderTest, AVeryLongWordNeedsNoDeepRecursion) {
    TempDir dir(L"idx_deep");
    const std::wstring path = dir.file(L"deep.tmx.idx");
    const std::wstring longWord = L"x" + std::wstring(200000, L'a');
    TmxIndexBuilder b;
    b.header().srcLang = L"en";
    b.addLanguage(L"de");
    b.addEntry(L"en", segmentOf(longWord + L" y"), kDe, 0);
    b.addEntry(L"en", segmentOf(longWord + L"b z"), kDe, 100);
    ASSERT_TRUE(b.write(path));

    TmxIndex index;
    ASSERT_TRUE(index.open(path, false)) << index.lastError();
    std::set<uint32_t> entries;
    EXPECT_TRUE(index.collect(index.find(L"\uFF22x"), entries, true, 100));
    EXPECT_EQ(entries, std::set<uint32_t>({0, 1}));

    SearchResults results;
    bool strong = false;
    const Segment query = segmentOf(longWord + L" y");
    EXPECT_EQ(searchIndex(index, L"de", query, {}, 100, strong, results), 1);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].entryId, 0u);
}

// The read-only walks of the term stage, opened to the test.
class ProbingBuilder : public IndexBuilder {
public:
    using IndexBuilder::Probe;
    void start(Probe& probe, uint32_t from, const std::wstring& units) {
        startProbe(probe, NodeRef(from), units.data(), static_cast<uint32_t>(units.size()));
    }
    bool step(Probe& probe) { return stepProbe(probe); }
    // Moves the planned words of one node from the bucket of a term to that of another, as a
    // node counted for the wrong bucket would.
    void miscount(const std::wstring& from, const std::wstring& to) {
        shard(0).bucketWords[indexBucket(from.data(), from.size())] -= 3;
        shard(0).bucketWords[indexBucket(to.data(), to.size())] += 3;
    }
    uint32_t finish(Probe& probe, const std::wstring& term) {
        return finishProbe(shard(0), static_cast<uint32_t>(indexBucket(term.data(), term.size())), probe).ref();
    }
};

// A probe stands at a node's child table when the table grows past its limit, and the table's
// old block goes straight to the next table of its size, another node's: the probe must still
// find the node's own child.
TEST(IndexBuilderTest, AProbeAtAChildTableThatGrowsAndIsReusedFindsItsOwnNode) {
    ProbingBuilder b;
    // Nine children make "pw" a table of 32 slots; "x" leads on to "pwxy".
    const std::wstring letters = L"abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 9; ++i)
        b.node(L"pw" + letters.substr(i, 1));
    b.node(L"pwxy");
    ProbingBuilder::Probe probe;
    const std::wstring units = L"xyz";
    b.start(probe, b.node(L"pw"), units);
    ASSERT_TRUE(b.step(probe)); // at the table now, its child "x" looked for next

    // Sixteen children outgrow 32 slots: the table moves to 64 and frees its block, which the
    // chain of "qv" takes as it becomes a table of 32 slots, with a child "x" of its own.
    for (int i = 9; i < 16; ++i)
        b.node(L"pw" + letters.substr(i, 1));
    for (int i = 0; i < 8; ++i)
        b.node(L"qv" + letters.substr(i, 1));
    b.node(L"qvx");
    b.node(L"qvxy");

    while (b.step(probe)) {
    }
    const uint32_t found = b.finish(probe, L"pwxyz");
    EXPECT_NE(found, b.node(L"qvxyz")) << "the probe walked into another node's children";
    EXPECT_EQ(found, b.node(L"pwxyz"));
}

// The file is planned from the word counts kept while filling; a plan that disagrees with the
// trie fails the write and says so, however the total comes out.
TEST(IndexBuilderTest, ALayoutThatDisagreesWithItsPlanFailsTheWrite) {
    if (kIndexChecked)
        GTEST_SKIP() << "the checked build stops at its walk over the planned sizes instead";
    TempDir dir(L"idx_plan");
    const std::wstring path = dir.file(L"p.idx");
    for (const auto& terms : {std::make_pair(L"ab", L"zy"), std::make_pair(L"zy", L"ab")}) {
        ProbingBuilder b;
        b.addPosting(L"ab", 1);
        b.addPosting(L"zy", 2);
        b.miscount(terms.first, terms.second);
        EXPECT_FALSE(b.write(path));
        EXPECT_TRUE(b.layoutMismatched());
        EXPECT_TRUE(dir.names().empty());
    }
    ProbingBuilder sound;
    sound.addPosting(L"ab", 1);
    EXPECT_TRUE(sound.write(path));
    EXPECT_FALSE(sound.layoutMismatched());
}

// Claims less header room than it writes, as a sizing error would.
class UndersizedBuilder : public TmxIndexBuilder {
protected:
    uint64_t headerSize() const override { return TmxIndexBuilder::headerSize() - 64; }
};

class OversizedBuilder : public TmxIndexBuilder {
protected:
    uint64_t headerSize() const override { return uint64_t(5) << 30; }
};

TEST(IndexBuilderTest, FailedWritesLeaveTheOldIndexAndNoTemporaryFile) {
    TempDir dir(L"idx_fail");
    const std::wstring path = dir.file(L"f.tmx.idx");
    const std::vector<uint8_t> old = {1, 2, 3};
    ASSERT_TRUE(testfiles::writeFile(path, old));

    UndersizedBuilder undersized;
    indextest::fillSmallBuilder(undersized);
    EXPECT_FALSE(undersized.write(path));
    EXPECT_EQ(testfiles::readFile(path), old);
    EXPECT_EQ(dir.names(), std::vector<std::wstring>{L"f.tmx.idx"}); // no temporary file left

    OversizedBuilder oversized;
    indextest::fillSmallBuilder(oversized);
    EXPECT_FALSE(oversized.write(path));
    EXPECT_EQ(testfiles::readFile(path), old);
    EXPECT_EQ(dir.names(), std::vector<std::wstring>{L"f.tmx.idx"}); // no temporary file left

    TmxIndexBuilder good;
    indextest::fillSmallBuilder(good);
    EXPECT_FALSE(good.write(dir.file(L"missing\\f.tmx.idx")));

    // The index file is held open without sharing: the finished file cannot replace it.
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(good.write(path));
    CloseHandle(held);
    EXPECT_EQ(testfiles::readFile(path), old);
    EXPECT_EQ(dir.names(), std::vector<std::wstring>{L"f.tmx.idx"}); // no temporary file left

    EXPECT_TRUE(good.write(path));
    EXPECT_EQ(testfiles::readFile(path), testfiles::readFile(testfiles::dataPath(L"small.idx")));
}

TEST(IndexBuilderTest, RunningOutOfMemoryFailsTheIndexingWithoutACrash) {
    TempDir dir(L"idx_memory");
    const std::wstring path = dir.file(L"m.tmx.idx");
    TmxIndexBuilder b;
    b.setMemoryLimit(16u << 20);
    b.header().srcLang = L"en";
    b.addLanguage(L"de");
    uint32_t added = 0;
    for (uint32_t i = 0; i < 400000 && !b.failed(); ++i) {
        b.addEntry(L"en", segmentOf(L"w" + lettersOf(i) + L" v" + lettersOf(i * 7)),
                   kDe, i);
        ++added;
    }
    EXPECT_TRUE(b.failed());
    EXPECT_LT(added, 400000u);
    const uint32_t entries = b.entryCount();
    b.addEntry(L"en", segmentOf(L"more words"), kDe, 1);
    EXPECT_EQ(b.entryCount(), entries);
    EXPECT_FALSE(b.write(path));
    EXPECT_TRUE(dir.names().empty()); // no index, no temporary file

    TmxIndexBuilder none;
    none.setMemoryLimit(0);
    none.header().srcLang = L"en";
    none.addEntry(L"en", segmentOf(L"a b"), kDe, 0);
    EXPECT_TRUE(none.failed());
    EXPECT_FALSE(none.write(path));
}

} // namespace
