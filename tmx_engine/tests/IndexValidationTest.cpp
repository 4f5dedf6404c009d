#include "IndexTestSupport.h"
#include "core/tests/TestFiles.h"

#include "tmx_engine/Index.h"
#include "tmx_engine/TmxIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

namespace {

using indextest::set16;
using indextest::set32;
using Bytes = std::vector<uint8_t>;

// Offsets in the small fixture (see IndexFormatTest).
constexpr size_t kBucketTable = 120;
constexpr size_t kRoot557 = kBucketTable + 4 * 557;
constexpr size_t kFrDollar = 4288;   // fr car|#$, posting 1
constexpr size_t kFrCarR = 4388;     // fr red|car, posting 1
constexpr size_t kDeCarDollar = 4528; // de car|#$, posting 0
constexpr size_t kDeRedCarR = 4632;  // de red|car, sibling -> 4648
constexpr size_t kDeRedCabB = 4648;  // last node, posting 2

struct Mutation {
    const char* what;
    std::function<void(Bytes&)> change;
    int expectedError;
};

std::function<void(Bytes&)> truncate(size_t size) {
    return [size](Bytes& d) { d.resize(size); };
}
std::function<void(Bytes&)> put32(size_t at, uint32_t v) {
    return [at, v](Bytes& d) { set32(d, at, v); };
}
std::function<void(Bytes&)> put16(size_t at, uint16_t v) {
    return [at, v](Bytes& d) { set16(d, at, v); };
}
std::function<void(Bytes&)> alias(size_t node, uint32_t target) {
    return [node, target](Bytes& d) {
        set16(d, node + 2, 0xFFFF);
        set32(d, node + 12, target);
    };
}

int openError(const testfiles::TempDir& dir, const Bytes& bytes, uint64_t tmxSize = UINT64_MAX) {
    const std::wstring path = dir.file(L"m.idx");
    EXPECT_TRUE(testfiles::writeFile(path, bytes));
    TmxIndex index;
    index.setTmxSize(tmxSize);
    index.open(path, false);
    return index.lastError();
}

// Every lookup the fixture's terms allow, through aliases too.
void walkEverything(const TmxIndex& index) {
    const wchar_t* terms[] = {L"\uFF22red|car", L"\uFF22red|cab", L"\uFF22red|", L"\uFF22car|#$",
                              L"\uFF22cab|#$", L"\uFF23red|car", L"\uFF23car|#$"};
    for (const wchar_t* t : terms)
        index.postings(index.find(t), true);
    for (const wchar_t* start : {L"\uFF22r", L"\uFF22c", L"\uFF23r", L"\uFF23c"}) {
        std::set<uint32_t> entries;
        index.collect(index.find(start), entries, true, 1000);
        for (uint32_t e : entries)
            EXPECT_LT(e, index.entryCount());
    }
}

TEST(IndexValidationTest, DamagedIndexesAreRejectedWithoutReadingOutsideTheView) {
    const Bytes fixture = testfiles::readFile(testfiles::dataPath(L"small.idx"));
    ASSERT_EQ(fixture.size(), 4678u);
    const Mutation mutations[] = {
        {"empty file", truncate(0), IndexCannotOpen},
        {"cut inside the magic", truncate(6), IndexHeaderRejected},
        {"cut right after the magic", truncate(10), IndexDamaged},
        {"cut inside the version", truncate(12), IndexDamaged},
        {"cut inside the language records", truncate(40), IndexDamaged},
        {"cut inside the header strings", truncate(60), IndexDamaged},
        {"cut before E", truncate(86), IndexDamaged},
        {"cut inside the entry table", truncate(100), IndexDamaged},
        {"cut inside the bucket table", truncate(2000), IndexDamaged},
        {"cut before the nodes", truncate(4216), IndexDamaged},
        {"cut inside a node", truncate(4300), IndexDamaged},
        {"cut inside the last posting", truncate(4663), IndexDamaged},
        {"only the slack after the last node cut", truncate(4664), IndexOk},
        {"version 0x00010002", put32(10, 0x00010002), IndexHeaderRejected},
        {"magic byte changed", [](Bytes& d) { d[0] = 0; }, IndexHeaderRejected},
        {"unknown encoding", put32(22, 9), IndexDamaged},
        {"language count past the end", put32(30, 0x7FFFFFFF), IndexDamaged},
        {"one language record too many", put32(30, 3), IndexDamaged},
        {"string length past the end", put16(50, 0xFFFF), IndexDamaged},
        {"entry count past the end", put32(84, 0x10000000), IndexDamaged},
        {"entry table leaves no room for the bucket table", put32(84, 62), IndexDamaged},
        {"bucket root beyond the file", put32(kRoot557, 0xFFFFFF00), IndexDamaged},
        {"bucket root inside the bucket table", put32(kRoot557, 200), IndexDamaged},
        {"bucket root without room for a node", put32(kRoot557, 4670), IndexDamaged},
        {"child beyond the file", put32(4216 + 8, 0x7FFFFFFF), IndexDamaged},
        {"child pointing at its own node", put32(4216 + 8, 4216), IndexDamaged},
        {"child pointing back to an earlier node", put32(4404 + 8, 4216), IndexDamaged},
        {"sibling pointing back: a cycle", put32(kDeRedCabB + 4, kDeRedCarR), IndexDamaged},
        {"posting count past the end", put16(kDeRedCabB + 2, 0x100), IndexDamaged},
        {"posting equal to E", put32(kFrDollar + 12, 4), IndexDamaged},
        {"posting far beyond E", put32(kFrDollar + 12, 0xFFFFFFFF), IndexDamaged},
        {"alias of a real node", alias(kFrDollar, kDeCarDollar), IndexOk},
        {"alias beyond the file", alias(kFrDollar, 0xFFFFFFF0), IndexDamaged},
        {"alias into the bucket table", alias(kFrDollar, 200), IndexDamaged},
        {"alias of an alias",
         [](Bytes& d) {
             alias(kFrDollar, kFrCarR)(d);
             alias(kFrCarR, kFrDollar)(d);
         },
         IndexDamaged},
    };
    testfiles::TempDir dir(L"idx_mutations");
    for (const Mutation& m : mutations) {
        Bytes bytes = fixture;
        m.change(bytes);
        EXPECT_EQ(openError(dir, bytes), m.expectedError) << m.what;
    }

    // An index too large for the check of every node at open is checked as lookups reach its
    // nodes: damage there is reported by damaged() instead, and nothing outside the view is read.
    for (const Mutation& m : mutations) {
        Bytes bytes = fixture;
        m.change(bytes);
        const std::wstring path = dir.file(L"lazy.idx");
        ASSERT_TRUE(testfiles::writeFile(path, bytes));
        TmxIndex index;
        index.setFullCheckLimit(0);
        const bool opened = index.open(path, false);
        if (m.expectedError != IndexDamaged || !opened) {
            EXPECT_EQ(index.lastError(), m.expectedError) << "lazy: " << m.what;
            continue;
        }
        EXPECT_FALSE(index.damaged()) << m.what;
        walkEverything(index);
        EXPECT_TRUE(index.damaged()) << "lazy: " << m.what;
    }
}

// Damage that leaves every reference inside the view, so that a lookup cannot tell: a trie that
// has lost nodes or shares them, entries that point elsewhere, languages that do not add up. Only
// the check at open finds it; the TMX file is taken to be 600 bytes long.
TEST(IndexValidationTest, DamageThatLookupsCannotSeeIsFoundAtOpen) {
    const Bytes fixture = testfiles::readFile(testfiles::dataPath(L"small.idx"));
    ASSERT_EQ(fixture.size(), 4678u);
    constexpr size_t kEntries = 88;      // entry i at kEntries + 8 i: offset, elements, words
    constexpr size_t kRoot572 = kBucketTable + 4 * 572;
    constexpr size_t kRoot588 = kBucketTable + 4 * 588;
    auto zeroRange = [](size_t from, size_t size) {
        return [from, size](Bytes& d) { std::fill(d.begin() + from, d.begin() + from + size, 0); };
    };
    const Mutation mutations[] = {
        {"as written", [](Bytes&) {}, IndexOk},
        {"a bucket root zeroed: its nodes are lost", put32(kRoot557, 0), IndexDamaged},
        {"the last bucket root zeroed", put32(kRoot588, 0), IndexDamaged},
        {"two bucket roots swapped",
         [](Bytes& d) {
             const uint32_t a = indextest::get32(d, kRoot557);
             set32(d, kRoot557, indextest::get32(d, kRoot572));
             set32(d, kRoot572, a);
         },
         IndexDamaged},
        {"two buckets with one root", put32(kRoot557, 4304), IndexDamaged},
        {"a run of zeros over nodes", zeroRange(4404, 100), IndexDamaged},
        {"a sibling zeroed", put32(kDeRedCarR + 4, 0), IndexDamaged},
        {"a child zeroed", put32(4216 + 8, 0), IndexDamaged},
        {"a child into the middle of a node", put32(4216 + 8, 4232), IndexDamaged},
        {"a child that is another bucket's root", put32(4276 + 8, 4304), IndexDamaged},
        {"a sibling into the middle of a node", put32(kDeRedCarR + 4, kDeRedCabB + 4), IndexDamaged},
        {"bytes after the last node", [](Bytes& d) { d.insert(d.end(), 16, 0); }, IndexDamaged},
        {"an alias into the middle of a node", alias(kFrDollar, kDeCarDollar + 4), IndexDamaged},
        {"two entry offsets swapped",
         [](Bytes& d) {
             set32(d, kEntries + 16, 500);
             set32(d, kEntries + 24, 300);
         },
         IndexDamaged},
        {"an entry offset at the TMX file's end", put32(kEntries + 24, 600), IndexDamaged},
        {"the last entry's four elements just inside the TMX file", put32(kEntries + 24, 596), IndexOk},
        {"the last entry's four elements past the TMX file's end", put32(kEntries + 24, 597), IndexDamaged},
        {"an entry of as many elements as its unit has bytes", put16(kEntries + 20, 200), IndexOk},
        {"an entry of more elements than its unit has bytes", put16(kEntries + 20, 201), IndexDamaged},
        {"an entry of no elements", put16(kEntries + 4, 0), IndexDamaged},
        {"an entry of more words than elements", put16(kEntries + 6, 4), IndexDamaged},
        {"pair mode 0", put16(26, 0), IndexDamaged},
        {"pair mode 4", put16(26, 4), IndexDamaged},
        {"pair mode 3", put16(26, 3), IndexOk},
        {"language mode 3", put16(28, 3), IndexDamaged},
        {"two languages of one code",
         [](Bytes& d) {
             set16(d, 44, 'd');
             set16(d, 46, 'e');
         },
         IndexDamaged},
        {"languages out of order",
         [](Bytes& d) {
             set16(d, 36, 'g');
             set16(d, 38, 'a');
         },
         IndexDamaged},
        {"two languages of one prefix", put16(48, 0xFF22), IndexDamaged},
        {"two languages of one prefix in the one-prefix mode",
         [](Bytes& d) {
             set16(d, 28, 2);
             set16(d, 48, 0xFF22);
         },
         IndexOk},
    };
    testfiles::TempDir dir(L"idx_hidden_damage");
    for (const Mutation& m : mutations) {
        Bytes bytes = fixture;
        m.change(bytes);
        EXPECT_EQ(openError(dir, bytes, 600), m.expectedError) << m.what;
    }
}

TEST(IndexValidationTest, AcceptedVariantsAnswerFromInsideTheView) {
    const Bytes fixture = testfiles::readFile(testfiles::dataPath(L"small.idx"));
    testfiles::TempDir dir(L"idx_variants");

    Bytes aliased = fixture;
    alias(kFrDollar, kDeCarDollar)(aliased);
    const std::wstring path = dir.file(L"alias.idx");
    ASSERT_TRUE(testfiles::writeFile(path, aliased));
    TmxIndex index;
    ASSERT_TRUE(index.open(path, false));
    walkEverything(index);
    EXPECT_FALSE(index.damaged());
    const uint32_t node = index.find(L"\uFF23car|#$");
    EXPECT_EQ(index.postings(node, false).count, 0u);
    const Index::Postings shared = index.postings(node, true);
    ASSERT_EQ(shared.count, 1u);
    EXPECT_EQ(shared.at(0), 0u);
    std::set<uint32_t> viaAlias, withoutAlias;
    index.collect(index.find(L"\uFF23car|"), viaAlias, true, 10);
    index.collect(index.find(L"\uFF23car|"), withoutAlias, false, 10);
    EXPECT_EQ(viaAlias, std::set<uint32_t>({0}));
    EXPECT_TRUE(withoutAlias.empty());

    // A rejected open leaves the index closed, so it can open another file afterwards.
    Bytes damaged = fixture;
    damaged.resize(4300);
    const std::wstring damagedPath = dir.file(L"damaged.idx");
    ASSERT_TRUE(testfiles::writeFile(damagedPath, damaged));
    TmxIndex reused;
    EXPECT_FALSE(reused.open(damagedPath, false));
    EXPECT_EQ(reused.lastError(), IndexDamaged);
    EXPECT_FALSE(reused.isOpen());
    EXPECT_EQ(reused.entryCount(), 0u);
    EXPECT_TRUE(reused.open(testfiles::dataPath(L"small.idx"), false));
    EXPECT_EQ(reused.entryCount(), 4u);

    // The header-only open looks no further than the entry table.
    TmxIndex headerOnly;
    EXPECT_TRUE(headerOnly.open(damagedPath, true));
    damaged.resize(100);
    ASSERT_TRUE(testfiles::writeFile(damagedPath, damaged));
    EXPECT_FALSE(headerOnly.open(damagedPath, true));
    EXPECT_EQ(headerOnly.lastError(), IndexDamaged);
}

TEST(IndexValidationTest, NodesSharedByManyPathsCannotMakeTheCheckExplode) {
    // Forty nodes, each naming the next as both sibling and child: 2^40 paths through 40 nodes.
    indextest::Layout x;
    x.bytes({0x8B, 'T', 'M', 'X', 'I', 'N', 'D', 'E', 'X', 0x9B}).u32(0x00010001).zeros(8);
    x.u32(1).u16(2).u16(1).u32(0);
    x.text(L"").text(L"").text(L"").zeros(8).text(L"").text(L"en").u32(0).zeros(4);
    const size_t table = x.offset();
    x.zeros(4096);
    const uint32_t first = static_cast<uint32_t>(x.offset());
    x.put32(table + 4 * indexBucket(L"ab", 2), first);
    for (uint32_t i = 0; i < 40; ++i) {
        const uint32_t next = i + 1 < 40 ? first + 12 * (i + 1) : 0;
        x.node(i == 0 ? L'a' : L'b', {}, next, next);
    }
    x.zeros(11);
    testfiles::TempDir dir(L"idx_shared");
    EXPECT_EQ(openError(dir, x.data), IndexDamaged);
}

TEST(IndexValidationTest, MissingFilesAndFilesOfAnotherFormat) {
    testfiles::TempDir dir(L"idx_missing");
    TmxIndex index;
    EXPECT_FALSE(index.open(dir.file(L"absent.idx"), false));
    EXPECT_EQ(index.lastError(), IndexCannotOpen);
    EXPECT_FALSE(index.open(dir.path(), true));
    EXPECT_EQ(index.lastError(), IndexCannotOpen);

    const std::wstring text = dir.file(L"text.idx");
    ASSERT_TRUE(testfiles::writeFile(text, Bytes(5000, 'x')));
    EXPECT_FALSE(index.open(text, true));
    EXPECT_EQ(index.lastError(), IndexHeaderRejected);
}

} // namespace
