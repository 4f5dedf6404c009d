#include "IndexTestSupport.h"
#include "core/tests/TestFiles.h"

#include "tmx_engine/Index.h"
#include "tmx_engine/TmxIndex.h"
#include "tmx_engine/TmxIndexBuilder.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using indextest::Layout;
using testfiles::TempDir;

const wchar_t kDe = 0xFF22;
const wchar_t kFr = 0xFF23;

// The fixture's bytes, field by field. Terms of the four entries, in the order they are added:
//   0 (de) "Red car"        -> de red|car, de car|#$
//   1 (fr) "Red car"        -> fr red|car, fr car|#$
//   2 (de) "The red cab."   -> de red|cab, de cab|#$   ("the" takes part in no term)
//   3 (de) "Red <U+1F697>"  -> de red|                  (one kept word: its single term only)
// Buckets in file order: 557 (fr c..), 572 (fr r..), 573 (de c..), 588 (de r..). Within a bucket a
// sibling chain goes out back to back, then the children of its last node, then of the one before.
std::vector<uint8_t> describedSmallIndex() {
    Layout x;
    x.bytes({0x8B, 'T', 'M', 'X', 'I', 'N', 'D', 'E', 'X', 0x9B});
    x.u32(0x00010001);
    x.date(2024, 2, 3, 4, 5, 6);
    x.u32(3).u16(2).u16(1);
    x.u32(2).text(L"de").u16(kDe).text(L"fr").u16(kFr);
    x.text(L"1.4").text(L"T").text(L"1").date(2024, 1, 15, 10, 30, 45).text(L"x").text(L"en");
    x.u32(4);
    EXPECT_EQ(x.offset(), 88u);
    x.entry(100, 3, 2).entry(100, 3, 2).entry(300, 6, 3).entry(500, 4, 1);
    const size_t bucketTable = x.offset();
    EXPECT_EQ(bucketTable, 120u);
    x.zeros(4096);

    x.put32(bucketTable + 4 * 557, uint32_t(x.offset()));
    EXPECT_EQ(x.offset(), 4216u);
    x.node(kFr, {}, 0, 4228).node(L'c', {}, 0, 4240).node(L'a', {}, 0, 4252).node(L'r', {}, 0, 4264);
    x.node(L'|', {}, 0, 4276).node(L'#', {}, 0, 4288).node(L'$', {1}, 0, 0);

    x.put32(bucketTable + 4 * 572, uint32_t(x.offset()));
    EXPECT_EQ(x.offset(), 4304u);
    x.node(kFr, {}, 0, 4316).node(L'r', {}, 0, 4328).node(L'e', {}, 0, 4340).node(L'd', {}, 0, 4352);
    x.node(L'|', {}, 0, 4364).node(L'c', {}, 0, 4376).node(L'a', {}, 0, 4388).node(L'r', {1}, 0, 0);

    x.put32(bucketTable + 4 * 573, uint32_t(x.offset()));
    EXPECT_EQ(x.offset(), 4404u);
    x.node(kDe, {}, 0, 4416).node(L'c', {}, 0, 4428).node(L'a', {}, 0, 4440);
    x.node(L'r', {}, 4452, 4504).node(L'b', {}, 0, 4464);
    x.node(L'|', {}, 0, 4476).node(L'#', {}, 0, 4488).node(L'$', {2}, 0, 0);
    EXPECT_EQ(x.offset(), 4504u);
    x.node(L'|', {}, 0, 4516).node(L'#', {}, 0, 4528).node(L'$', {0}, 0, 0);

    x.put32(bucketTable + 4 * 588, uint32_t(x.offset()));
    EXPECT_EQ(x.offset(), 4544u);
    x.node(kDe, {}, 0, 4556).node(L'r', {}, 0, 4568).node(L'e', {}, 0, 4580).node(L'd', {}, 0, 4592);
    x.node(L'|', {3}, 0, 4608).node(L'c', {}, 0, 4620).node(L'a', {}, 0, 4632);
    x.node(L'r', {0}, 4648, 0).node(L'b', {2}, 0, 0);
    EXPECT_EQ(x.offset(), 4664u);

    // The size formula: header size 127 (with 7 bytes for alignment, none needed here) + 4 x 112
    // words of nodes and postings + 4096 + 7, so 14 zero bytes follow the last node.
    x.zeros(14);
    EXPECT_EQ(x.offset(), 4678u);
    return x.data;
}

TEST(IndexFormatTest, BucketsComeFromTheFirstTwoUnits) {
    EXPECT_EQ(indexBucket(L"\uFF23c", 2), 557);
    EXPECT_EQ(indexBucket(L"\uFF23r", 2), 572);
    EXPECT_EQ(indexBucket(L"\uFF22c", 2), 573);
    EXPECT_EQ(indexBucket(L"\uFF22red|car", 11), 588);
    EXPECT_EQ(indexBucket(L"\uFF22r", 2), 588);
    EXPECT_EQ(indexBucket(L"a", 1), 0x61);
    EXPECT_EQ(indexBucket(L"ab", 2), (0x672 ^ 0x6) & 0x3FF);
    EXPECT_EQ(indexBucket(L"abc", 3), indexBucket(L"ab", 2));
    EXPECT_EQ(indexBucket(L"", 0), -1);
}

TEST(IndexFormatTest, SmallIndexIsWrittenByteForByte) {
    const std::vector<uint8_t> fixture = testfiles::readFile(testfiles::dataPath(L"small.idx"));
    ASSERT_EQ(fixture.size(), 4678u);
    EXPECT_EQ(fixture, describedSmallIndex());

    TempDir dir(L"idx_format");
    const std::wstring path = dir.file(L"small.tmx.idx");
    TmxIndexBuilder builder;
    indextest::fillSmallBuilder(builder);
    EXPECT_EQ(builder.fileSize(), 4678u);
    ASSERT_TRUE(builder.write(path));
    EXPECT_EQ(testfiles::readFile(path), fixture);
    EXPECT_EQ(dir.names(), std::vector<std::wstring>{L"small.tmx.idx"}); // no temporary file left
}

TEST(IndexFormatTest, ReaderFindsTermsPostingsAndHeaderFacts) {
    TmxIndex index;
    ASSERT_TRUE(index.open(testfiles::dataPath(L"small.idx"), false)) << index.lastError();
    EXPECT_EQ(index.lastError(), 0);
    EXPECT_EQ(formatPackedDate(index.storedDate()), L"20240203T040506Z");
    EXPECT_EQ(index.encoding(), 3u);
    EXPECT_EQ(index.pairMode(), 2);
    EXPECT_EQ(index.languageMode(), 1);
    const LanguageMap languages = {{L"de", kDe}, {L"fr", kFr}};
    EXPECT_EQ(index.languages(), languages);
    EXPECT_EQ(index.header().version, L"1.4");
    EXPECT_EQ(index.header().creationTool, L"T");
    EXPECT_EQ(index.header().creationToolVersion, L"1");
    EXPECT_EQ(formatPackedDate(index.header().creationDate), L"20240115T103045Z");
    EXPECT_EQ(index.header().oTmf, L"x");
    EXPECT_EQ(index.header().srcLang, L"en");
    ASSERT_EQ(index.entryCount(), 4u);
    EXPECT_EQ(index.entryOffset(2), 300u);
    EXPECT_EQ(index.entryElementCount(2), 6);
    EXPECT_EQ(index.entryWordCount(2), 3);
    EXPECT_EQ(index.entryElementCount(3), 4);
    EXPECT_EQ(index.searchPrefix(L"fr"), kFr);
    EXPECT_EQ(index.searchPrefix(L"it"), 0);

    auto postingsOf = [&](const std::wstring& term) {
        std::vector<uint32_t> out;
        const Index::Postings p = index.postings(index.find(term), true);
        for (uint32_t i = 0; i < p.count; ++i)
            out.push_back(p.at(i));
        return out;
    };
    EXPECT_EQ(postingsOf(L"\uFF22red|car"), std::vector<uint32_t>({0}));
    EXPECT_EQ(postingsOf(L"\uFF22red|cab"), std::vector<uint32_t>({2}));
    EXPECT_EQ(postingsOf(L"\uFF23car|#$"), std::vector<uint32_t>({1}));
    EXPECT_EQ(postingsOf(L"\uFF22red|"), std::vector<uint32_t>({3}));
    // An inner node is found, with no postings; a term that is only a prefix of a unit is not.
    EXPECT_NE(index.find(L"\uFF22red"), 0u);
    EXPECT_TRUE(postingsOf(L"\uFF22red").empty());
    EXPECT_EQ(index.find(L"\uFF22re|"), 0u);
    EXPECT_EQ(index.find(L"\uFF22red|carp"), 0u);
    EXPECT_EQ(index.find(L""), 0u);

    std::set<uint32_t> all;
    EXPECT_TRUE(index.collect(index.find(L"\uFF22red|"), all, true, 100));
    EXPECT_EQ(all, std::set<uint32_t>({0, 2, 3}));
    // Own postings first, then the children depth first: 3, then red|car's 0.
    std::set<uint32_t> two;
    EXPECT_TRUE(index.collect(index.find(L"\uFF22red|"), two, true, 2));
    EXPECT_EQ(two, std::set<uint32_t>({0, 3}));
    std::set<uint32_t> none;
    EXPECT_TRUE(index.collect(index.find(L"\uFF22red|"), none, true, 0));
    EXPECT_TRUE(none.empty());
    EXPECT_FALSE(index.collect(index.find(L"\uFF22zzz|"), none, true, 10));

    EXPECT_FALSE(index.open(testfiles::dataPath(L"small.idx"), false));
    EXPECT_EQ(index.lastError(), IndexAlreadyOpen);
    EXPECT_EQ(index.entryCount(), 4u);
}

TEST(IndexFormatTest, HeaderOnlyOpenReadsTheDateAndClosesAgain) {
    TmxIndex index;
    ASSERT_TRUE(index.open(testfiles::dataPath(L"small.idx"), true));
    EXPECT_FALSE(index.isOpen());
    EXPECT_EQ(formatPackedDate(index.storedDate()), L"20240203T040506Z");
    EXPECT_EQ(index.entryCount(), 0u);
    EXPECT_EQ(index.find(L"\uFF22red|"), 0u);
}

TEST(IndexFormatTest, EmptyBuilderWritesAValidIndex) {
    TempDir dir(L"idx_empty");
    const std::wstring path = dir.file(L"e.tmx.idx");
    TmxIndexBuilder builder;
    builder.header().srcLang = L"en";
    ASSERT_TRUE(builder.write(path));
    const std::vector<uint8_t> bytes = testfiles::readFile(path);
    // No languages, five strings of which only srclang holds units, E = 0 at 56, four bytes of
    // alignment to 64, the bucket table; the size formula (header 67, 7 of them for alignment)
    // leaves 3 + 7 zero bytes after the table.
    Layout x;
    x.bytes({0x8B, 'T', 'M', 'X', 'I', 'N', 'D', 'E', 'X', 0x9B}).u32(0x00010001).zeros(8);
    x.u32(1).u16(2).u16(1).u32(0);
    x.text(L"").text(L"").text(L"").zeros(8).text(L"").text(L"en").u32(0);
    EXPECT_EQ(x.offset(), 60u);
    x.zeros(4 + 4096 + 10);
    EXPECT_EQ(bytes, x.data);

    TmxIndex index;
    ASSERT_TRUE(index.open(path, false));
    EXPECT_EQ(index.entryCount(), 0u);
    EXPECT_EQ(index.find(L"\uFF22a|"), 0u);
}

} // namespace
