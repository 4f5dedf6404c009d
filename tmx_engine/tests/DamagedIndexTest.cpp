// A damaged index beside a TMX file whose date it carries is not used: the load builds it again,
// and the search answers as a plain reading of the memory does.

#include "IndexTestSupport.h"
#include "PlainEntries.h"
#include "TmxFileTestSupport.h"

#include "core/tests/TestFiles.h"
#include "core/util/Utf8.h"
#include "tmx_engine/TermList.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxIndex.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using indextest::get32;
using indextest::set16;
using indextest::set32;
using testfiles::TempDir;

constexpr uint32_t kPostingCap = 8192;

// Where the parts of an index file lie, read from its header.
struct IndexParts {
    size_t languages = 0; // the first language record
    size_t entryCountField = 0;
    size_t entryTable = 0;
    uint32_t entryCount = 0;
    size_t bucketTable = 0;
    size_t nodes = 0;

    explicit IndexParts(const Bytes& d) {
        size_t at = 30;
        const uint32_t languageCount = get32(d, at);
        at += 4;
        languages = at;
        auto skipString = [&] { at += 2 + 2 * size_t(d[at] | d[at + 1] << 8); };
        for (uint32_t i = 0; i < languageCount; ++i) {
            skipString();
            at += 2;
        }
        for (int i = 0; i < 3; ++i)
            skipString();
        at += 8;
        skipString();
        skipString();
        entryCountField = at;
        entryCount = get32(d, at);
        entryTable = (at + 4 + 7) & ~size_t(7);
        bucketTable = entryTable + 8 * size_t(entryCount);
        nodes = bucketTable + 4096;
    }
    size_t entry(uint32_t id) const { return entryTable + 8 * size_t(id); }
    // The bucket slot and offset of the first bucket that has a root.
    size_t firstRootSlot(const Bytes& d) const {
        for (size_t slot = bucketTable; slot < nodes; slot += 4)
            if (get32(d, slot))
                return slot;
        return 0;
    }
};

// The entries of every word that begins a term, by a plain reading of the memory: what the index
// must give for P + word + "|" (a term met in more entries than the index keeps gives none).
std::map<std::wstring, std::set<uint32_t>> plainWordEntries(const std::wstring& tmx) {
    std::map<std::wstring, std::vector<uint32_t>> byTerm;
    indextest::PlainEntries plain;
    EXPECT_TRUE(plain.read(tmx, [&](uint32_t entry, wchar_t prefix, const std::vector<SegmentElement>& segment) {
        for (const Term& t : buildTerms(segment, prefix, kIndexPairTerms).terms) {
            std::vector<uint32_t>& list = byTerm[t.text];
            if (list.empty() || list.back() != entry)
                list.push_back(entry);
        }
    }));
    std::map<std::wstring, std::set<uint32_t>> byWord;
    for (const auto& term : byTerm) {
        std::set<uint32_t>& entries = byWord[term.first.substr(0, term.first.find(L'|') + 1)];
        if (term.second.size() <= kPostingCap)
            entries.insert(term.second.begin(), term.second.end());
    }
    return byWord;
}

// Every word of the memory looked up in the loaded index; the number of words whose entries differ.
uint32_t wordsAnsweredOtherwise(const TmxFile& file, const std::map<std::wstring, std::set<uint32_t>>& expected) {
    uint32_t differing = 0;
    for (const auto& word : expected) {
        std::set<uint32_t> found;
        file.index()->collect(file.index()->find(word.first), found, true, 0xFFFFFFFFu);
        if (found != word.second)
            ++differing;
    }
    return differing;
}

// Loads the memory and tells whether the index was built on the way.
bool loadBuilds(TmxFile& file, const std::wstring& tmx) {
    bool built = false;
    file.setStepObserver([&](IndexBuildStep) { built = true; });
    EXPECT_EQ(file.load(tmx), kLoaded);
    return built;
}

bool setWriteDate(const std::wstring& path, const PackedDate& date) {
    SYSTEMTIME st = {};
    st.wYear = date.year;
    st.wMonth = date.month;
    st.wDay = date.day;
    st.wHour = date.hour;
    st.wMinute = date.minute;
    st.wSecond = date.second;
    FILETIME time;
    return SystemTimeToFileTime(&st, &time) && tmxtest::setWriteTime(path, time);
}

TEST(DamagedIndexTest, FoundDamagedIndexesAreBuiltAgain) {
    const wchar_t* const cases[] = {L"wrong-hits-00130", L"wrong-hits-00583"};
    for (const wchar_t* name : cases) {
        SCOPED_TRACE(toUtf8(name));
        const std::wstring source = testfiles::sharedPath(L"fuzz-found/idx/") + name + L".tmx";
        if (!testfiles::exists(source) || !testfiles::exists(source + L".idx")) {
            std::printf("SKIPPED: %s is absent\n", toUtf8(source).c_str());
            continue;
        }
        TempDir dir(L"found_damage");
        const std::wstring tmx = dir.file(L"m.tmx");
        ASSERT_TRUE(testfiles::writeFile(tmx, testfiles::readFile(source)));
        const Bytes damaged = testfiles::readFile(source + L".idx");
        ASSERT_TRUE(testfiles::writeFile(tmx + L".idx", damaged));
        // The TMX file gets the date the index carries, so that the index counts as current.
        TmxIndex stamp;
        ASSERT_TRUE(stamp.open(tmx + L".idx", true));
        ASSERT_TRUE(setWriteDate(tmx, stamp.storedDate()));

        TmxFile file;
        EXPECT_TRUE(loadBuilds(file, tmx));
        EXPECT_NE(testfiles::readFile(tmx + L".idx"), damaged);
        const auto expected = plainWordEntries(tmx);
        ASSERT_GT(expected.size(), 100u);
        EXPECT_EQ(wordsAnsweredOtherwise(file, expected), 0u) << "of " << expected.size() << " words";
    }
}

struct Damage {
    const char* what;
    std::function<void(Bytes&, const IndexParts&, uint64_t tmxSize)> change;
};

TEST(DamagedIndexTest, StructuralDamageToARealIndexIsBuiltAgain) {
    const std::wstring source = testfiles::corpusPath(L"fr-small.tmx");
    if (!testfiles::exists(source)) {
        std::printf("SKIPPED: no real memories (../shared/corpus is absent)\n");
        GTEST_SKIP() << "no ../shared/corpus";
    }
    TempDir dir(L"real_damage");
    const std::wstring tmx = dir.file(L"fr-small.tmx");
    const std::wstring idx = tmx + L".idx";
    ASSERT_TRUE(testfiles::writeFile(tmx, testfiles::readFile(source)));
    {
        TmxFile first;
        ASSERT_TRUE(loadBuilds(first, tmx));
    }
    const Bytes clean = testfiles::readFile(idx);
    const IndexParts parts(clean);
    ASSERT_GT(parts.entryCount, 100u);
    const auto expected = plainWordEntries(tmx);
    const uint64_t tmxSize = testfiles::readFile(tmx).size();

    // A clean index is taken as it stands: neither its bytes nor its time change.
    FILETIME before, after;
    ASSERT_TRUE(tmxtest::getWriteTime(idx, before));
    {
        TmxFile again;
        EXPECT_FALSE(loadBuilds(again, tmx));
        EXPECT_EQ(wordsAnsweredOtherwise(again, expected), 0u);
    }
    ASSERT_TRUE(tmxtest::getWriteTime(idx, after));
    EXPECT_EQ(CompareFileTime(&before, &after), 0);
    EXPECT_EQ(testfiles::readFile(idx), clean);

    const Damage damages[] = {
        {"4 KB of zeros in the middle of the nodes",
         [](Bytes& d, const IndexParts& p, uint64_t) {
             const size_t from = p.nodes + (d.size() - p.nodes) / 2;
             std::fill(d.begin() + from, d.begin() + from + 4096, 0);
         }},
        {"4 KB of zeros over the bucket table",
         [](Bytes& d, const IndexParts& p, uint64_t) {
             std::fill(d.begin() + p.bucketTable, d.begin() + p.nodes, 0);
         }},
        {"one bucket root zeroed", [](Bytes& d, const IndexParts& p, uint64_t) { set32(d, p.firstRootSlot(d), 0); }},
        {"two entry offsets swapped",
         [](Bytes& d, const IndexParts& p, uint64_t) {
             uint32_t id = 0;
             while (get32(d, p.entry(id)) == get32(d, p.entry(id + 1)))
                 ++id;
             const uint32_t a = get32(d, p.entry(id));
             set32(d, p.entry(id), get32(d, p.entry(id + 1)));
             set32(d, p.entry(id + 1), a);
         }},
        {"three bytes of an entry offset changed",
         [](Bytes& d, const IndexParts& p, uint64_t) {
             const size_t at = p.entry(p.entryCount / 2);
             d[at] ^= 0x5A;
             d[at + 1] ^= 0x21;
             d[at + 2] ^= 0x01;
         }},
        {"the entry count past the end", [](Bytes& d, const IndexParts& p, uint64_t) { set32(d, p.entryCountField, 0x7FFFFFF0); }},
        {"the last entry offset at the TMX file's end",
         [](Bytes& d, const IndexParts& p, uint64_t size) {
             set32(d, p.entry(p.entryCount - 1), static_cast<uint32_t>(size));
         }},
        {"a bucket root out of the view",
         [](Bytes& d, const IndexParts& p, uint64_t) { set32(d, p.firstRootSlot(d), static_cast<uint32_t>(d.size() + 64)); }},
        {"a child out of the view",
         [](Bytes& d, const IndexParts& p, uint64_t) { set32(d, get32(d, p.firstRootSlot(d)) + 8, 0xFFFFFFF0u); }},
        {"a child naming its parent: a cycle",
         [](Bytes& d, const IndexParts& p, uint64_t) {
             const uint32_t root = get32(d, p.firstRootSlot(d));
             const uint32_t child = get32(d, root + 8);
             set32(d, child + 8, root);
         }},
        {"a language code running past its record",
         [](Bytes& d, const IndexParts& p, uint64_t) { set16(d, p.languages, 0x7FFF); }},
        {"a language count past its records", [](Bytes& d, const IndexParts&, uint64_t) { set32(d, 30, 2); }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        Bytes bytes = clean;
        damage.change(bytes, parts, tmxSize);
        ASSERT_NE(bytes, clean);
        // The date bytes are untouched: the index still claims to be current.
        ASSERT_TRUE(testfiles::writeFile(idx, bytes));
        TmxFile file;
        EXPECT_TRUE(loadBuilds(file, tmx));
        EXPECT_EQ(testfiles::readFile(idx), clean);
        EXPECT_EQ(wordsAnsweredOtherwise(file, expected), 0u) << "of " << expected.size() << " words";
    }
}

} // namespace
