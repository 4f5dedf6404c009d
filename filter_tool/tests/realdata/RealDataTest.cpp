// Real translation memories (../shared/corpus, beside the project) through the index build at
// several thread counts, the reopened index, its queries and the filter. Where the folder is
// absent, as on a user's machine, the test says so and passes.

#include "core/tests/TestFiles.h"
#include "core/util/Utf8.h"
#include "core/xml/XmlFileStream.h"
#include "filter_tool/SiftonParser.h"
#include "filter_tool/TmxFilter.h"
#include "tmx_engine/TermList.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxEntrySink.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxIndex.h"
#include "tmx_engine/TmxParser.h"
#include "tmx_engine/tests/PlainEntries.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using indextest::PlainEntries;
using testfiles::TempDir;

const wchar_t* const kMemories[] = {L"fr-small.tmx", L"fr-small-utf16le.tmx", L"fr-small-utf16be.tmx",
                                    L"multi-b.tmx", L"pairs-b.tmx"};
constexpr uint32_t kPostingCap = 8192;

bool corpusPresent() { return testfiles::exists(testfiles::corpusPath(L"README.md")); }

// FNV-1a of a whole file, read in large blocks (an index of the largest memory is 180 MB).
uint64_t hashFile(const std::wstring& path) {
    uint64_t hash = 0xCBF29CE484222325ull;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    std::vector<uint8_t> block(1u << 20);
    DWORD got = 0;
    while (ReadFile(h, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got) {
        for (DWORD i = 0; i < got; ++i)
            hash = (hash ^ block[i]) * 0x100000001B3ull;
    }
    CloseHandle(h);
    return hash;
}

// Whether the bytes of a file hold a text, read block by block.
bool fileContains(const std::wstring& path, const std::string& text) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    std::string carried;
    std::vector<char> block(1u << 20);
    DWORD got = 0;
    bool found = false;
    while (!found && ReadFile(h, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got) {
        carried.append(block.data(), got);
        found = carried.find(text) != std::string::npos;
        carried.erase(0, carried.size() - std::min(carried.size(), text.size()));
    }
    CloseHandle(h);
    return found;
}

std::string narrow(const std::wstring& text) { return toUtf8(text); }

std::wstring plainText(const Segment& segment) {
    std::wstring text;
    for (const SegmentElement& e : segment)
        text += e.text;
    return text;
}

std::vector<std::wstring> termWords(const std::vector<SegmentElement>& segment) {
    std::vector<std::wstring> words;
    for (const SegmentElement& e : segment)
        if (isTermWord(e) && e.extra.find(L'|') == std::wstring::npos)
            words.push_back(e.extra);
    return words;
}

// A query as the search asks the index: a word (every term that begins with it) or a pair of
// words (one term), and perhaps a word whose entries are taken away.
struct Query {
    wchar_t prefix = 0;
    std::wstring first;
    std::wstring second; // empty: the single word
    std::wstring without;

    std::string describe() const {
        return narrow(first + (second.empty() ? L"" : L" " + second) + (without.empty() ? L"" : L" -" + without));
    }
};

// Queries drawn from the memory's own source segments, with a fixed seed.
std::vector<Query> drawQueries(const std::wstring& path, uint32_t entryCount, uint32_t wanted) {
    std::mt19937 random(20261211);
    std::set<uint32_t> sample;
    while (sample.size() < std::min(wanted, entryCount))
        sample.insert(random() % entryCount);
    std::vector<Query> queries;
    std::vector<std::wstring> previous;
    PlainEntries plain;
    plain.read(path, [&](uint32_t entry, wchar_t prefix, const std::vector<SegmentElement>& segment) {
        if (!sample.count(entry))
            return;
        const std::vector<std::wstring> words = termWords(segment);
        if (words.empty())
            return;
        Query q;
        q.prefix = prefix;
        const size_t at = random() % words.size();
        q.first = words[at];
        const uint32_t kind = static_cast<uint32_t>(queries.size() % 4);
        if ((kind == 1 || kind == 3) && at + 1 < words.size())
            q.second = words[at + 1];
        if (kind >= 2 && !previous.empty())
            q.without = previous[random() % previous.size()];
        queries.push_back(q);
        previous = words;
    });
    return queries;
}

// What the queries find, by a plain scan over every entry's terms (a term met in more entries
// than the index keeps has none there).
struct PlainAnswers {
    // Entries of every term that begins with one of the queries' words, by term.
    std::map<std::wstring, std::vector<uint32_t>> termEntries;

    std::set<uint32_t> ofTerm(const std::wstring& term) const {
        const auto it = termEntries.find(term);
        if (it == termEntries.end() || it->second.size() > kPostingCap)
            return {};
        return std::set<uint32_t>(it->second.begin(), it->second.end());
    }
    std::set<uint32_t> ofWord(wchar_t prefix, const std::wstring& word) const {
        const std::wstring start = prefix + word + L"|";
        std::set<uint32_t> entries;
        for (auto it = termEntries.lower_bound(start); it != termEntries.end() && it->first.compare(0, start.size(), start) == 0; ++it)
            if (it->second.size() <= kPostingCap)
                entries.insert(it->second.begin(), it->second.end());
        return entries;
    }
};

std::wstring firstWordOf(const std::wstring& term) { return term.substr(0, term.find(L'|')); }

PlainAnswers scan(const std::wstring& path, const std::vector<Query>& queries) {
    std::set<std::wstring> words; // prefix + word
    for (const Query& q : queries) {
        words.insert(q.prefix + q.first);
        if (!q.without.empty())
            words.insert(q.prefix + q.without);
    }
    PlainAnswers answers;
    PlainEntries plain;
    plain.read(path, [&](uint32_t entry, wchar_t prefix, const std::vector<SegmentElement>& segment) {
        for (const Term& t : buildTerms(segment, prefix, 0x4E).terms) {
            if (!words.count(firstWordOf(t.text)))
                continue;
            std::vector<uint32_t>& list = answers.termEntries[t.text];
            if (list.empty() || list.back() != entry)
                list.push_back(entry);
        }
    });
    return answers;
}

std::set<uint32_t> indexAnswer(const TmxIndex& index, const Query& q) {
    std::set<uint32_t> found;
    if (q.second.empty()) {
        index.collect(index.find(q.prefix + q.first + L"|"), found, true, 0xFFFFFFFFu);
    } else {
        const Index::Postings p = index.postings(index.find(q.prefix + q.first + L"|" + q.second), true);
        for (uint32_t i = 0; i < p.count; ++i)
            found.insert(p.at(i));
    }
    if (!q.without.empty()) {
        std::set<uint32_t> excluded;
        index.collect(index.find(q.prefix + q.without + L"|"), excluded, true, 0xFFFFFFFFu);
        for (uint32_t e : excluded)
            found.erase(e);
    }
    return found;
}

std::set<uint32_t> plainAnswer(const PlainAnswers& answers, const Query& q) {
    std::set<uint32_t> found = q.second.empty() ? answers.ofWord(q.prefix, q.first)
                                                : answers.ofTerm(q.prefix + q.first + L"|" + q.second);
    if (!q.without.empty())
        for (uint32_t e : answers.ofWord(q.prefix, q.without))
            found.erase(e);
    return found;
}

// The index at 1, 2, 4 and 8 term threads (the file read in pieces where it is large) and from
// the one-pass, one-thread reference build: one file, byte for byte.
void buildAtEveryThreadCount(const std::wstring& tmx) {
    const std::wstring idx = tmx + L".idx";
    uint64_t reference = 0;
    for (uint32_t threads : {0u, 1u, 2u, 4u, 8u}) {
        SCOPED_TRACE(threads ? "term threads " + std::to_string(threads) : std::string("reference build"));
        DeleteFileW(idx.c_str());
        TmxFile file;
        if (threads == 0) {
            ParallelTmxParser::Options onePass;
            onePass.threads = 1;
            file.setParallelOptions(onePass);
            file.setTermThreads(1);
        } else {
            file.setTermThreads(threads);
        }
        ASSERT_EQ(file.load(tmx), kLoaded);
        const uint64_t hash = hashFile(idx);
        if (threads == 0)
            reference = hash;
        else
            EXPECT_EQ(hash, reference) << "the index differs from the reference build's";
    }
}

// Opens the index built before without building it again and reads every entry.
void reopenAndReadEveryEntry(const std::wstring& tmx, uint32_t& entries) {
    const std::wstring idx = tmx + L".idx";
    const uint64_t before = hashFile(idx);
    // The index the builder wrote passes every check at open: it is neither built again nor
    // touched.
    auto writeTime = [&idx] {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExW(idx.c_str(), GetFileExInfoStandard, &data);
        return (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    };
    const uint64_t writtenAt = writeTime();
    TmxFile file;
    file.setStepObserver([](IndexBuildStep) { ADD_FAILURE() << "the index was built again"; });
    ASSERT_EQ(file.load(tmx), kLoaded);
    EXPECT_EQ(hashFile(idx), before);
    EXPECT_EQ(writeTime(), writtenAt);
    entries = file.entryCount();
    ASSERT_GT(entries, 0u);
    const std::wstring source = file.sourceLanguage().srcLang;
    uint32_t unreadable = 0;
    for (uint32_t id = 0; id < entries; ++id) {
        const std::unique_ptr<TmxEntry> entry = file.readEntryUncached(id);
        if (!entry || findSegment(*entry, source).segment.empty())
            ++unreadable;
    }
    EXPECT_EQ(unreadable, 0u) << "of " << entries << " entries";
}

void queriesAgreeWithAPlainScan(const std::wstring& tmx, uint32_t entries, uint32_t wanted) {
    const std::vector<Query> queries = drawQueries(tmx, entries, wanted);
    ASSERT_GE(queries.size(), wanted * 9 / 10);
    const PlainAnswers answers = scan(tmx, queries);
    TmxFile file;
    ASSERT_EQ(file.load(tmx), kLoaded);
    const TmxIndex& index = *file.index();
    uint32_t found = 0;
    for (const Query& q : queries) {
        const std::set<uint32_t> expected = plainAnswer(answers, q);
        EXPECT_EQ(indexAnswer(index, q), expected) << q.describe();
        found += expected.empty() ? 0 : 1;
    }
    // Drawn from the memory's own segments: nearly every query finds something.
    EXPECT_GE(found, queries.size() / 2);
    std::printf("  %zu queries, %u of them with entries\n", queries.size(), found);
}

// The target language with the most entries, other than the source's own.
std::wstring busiestTarget(const std::wstring& tmx, std::vector<std::pair<std::wstring, uint32_t>>& entries) {
    PlainEntries plain;
    std::map<wchar_t, std::vector<uint32_t>> byPrefix;
    plain.read(tmx, [&](uint32_t entry, wchar_t prefix, const std::vector<SegmentElement>&) {
        byPrefix[prefix].push_back(entry);
    });
    std::wstring best;
    size_t most = 0;
    for (const auto& code : plain.prefixes()) {
        const size_t n = byPrefix[code.second].size();
        if (n > most && !sameLanguage(code.first, plain.header().srcLang)) {
            most = n;
            best = code.first;
        }
    }
    // Every entry the filter keeps for that language: its own and those of its regional forms.
    for (const auto& code : plain.prefixes())
        if (languageBelongsToTarget(best, code.first))
            for (uint32_t e : byPrefix[code.second])
                entries.emplace_back(code.first, e);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.second < b.second; });
    return best;
}

void filterKeepsEveryUnitOfOneLanguage(const std::wstring& tmx, const TempDir& dir) {
    std::vector<std::pair<std::wstring, uint32_t>> kept;
    const std::wstring language = busiestTarget(tmx, kept);
    ASSERT_FALSE(language.empty());
    SCOPED_TRACE("target " + narrow(language));
    std::printf("  filtered to %s: %zu entries\n", narrow(language).c_str(), kept.size());
    TmxFile original;
    ASSERT_EQ(original.load(tmx), kLoaded);
    const bool hasProps = fileContains(tmx, "<prop");
    for (bool removeProps : {false, true}) {
        SCOPED_TRACE(removeProps ? "without props" : "with props");
        const std::wstring copy = dir.file(removeProps ? L"copy-noprops.tmx" : L"copy.tmx");
        const TmxFilterResult result = filterTmxFile(tmx, copy, language, removeProps);
        ASSERT_TRUE(result.succeeded()) << narrow(result.errorMessage);
        EXPECT_EQ(fileContains(copy, "<prop"), hasProps && !removeProps);

        TmxFile filtered;
        ASSERT_EQ(filtered.load(copy), kLoaded);
        ASSERT_EQ(filtered.entryCount(), kept.size());
        const std::wstring source = original.sourceLanguage().srcLang;
        uint32_t differing = 0;
        for (uint32_t i = 0; i < kept.size(); ++i) {
            const std::unique_ptr<TmxEntry> a = original.readEntryUncached(kept[i].second);
            const std::unique_ptr<TmxEntry> b = filtered.readEntryUncached(i);
            if (!a || !b || plainText(findSegment(*a, source).segment) != plainText(findSegment(*b, source).segment) ||
                plainText(findSegment(*a, kept[i].first).segment) != plainText(findSegment(*b, kept[i].first).segment))
                ++differing;
        }
        EXPECT_EQ(differing, 0u) << "of " << kept.size() << " kept entries";
    }
}

TEST(RealDataTest, EveryRealMemoryIndexesOpensAnswersAndFilters) {
    if (!corpusPresent()) {
        std::printf("SKIPPED: no real memories at %s (../shared/corpus is absent)\n",
                    narrow(testfiles::corpusPath(L"")).c_str());
        GTEST_SKIP() << "no ../shared/corpus";
    }
    for (const wchar_t* name : kMemories) {
        SCOPED_TRACE(narrow(name));
        if (!testfiles::exists(testfiles::corpusPath(name))) {
            ADD_FAILURE() << "missing from the corpus";
            continue;
        }
        TempDir dir(L"realdata");
        const std::wstring tmx = dir.file(name);
        ASSERT_TRUE(CopyFileW(testfiles::corpusPath(name).c_str(), tmx.c_str(), TRUE));
        SetFileAttributesW(tmx.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_NO_FATAL_FAILURE(buildAtEveryThreadCount(tmx));
        uint32_t entries = 0;
        ASSERT_NO_FATAL_FAILURE(reopenAndReadEveryEntry(tmx, entries));
        // The largest memory: a sample of the queries.
        ASSERT_NO_FATAL_FAILURE(queriesAgreeWithAPlainScan(tmx, entries, entries > 100000 ? 60 : 200));
        ASSERT_NO_FATAL_FAILURE(filterKeepsEveryUnitOfOneLanguage(tmx, dir));
        if (!HasFailure())
            std::printf("%s: %u entries, built alike at every thread count, queries and filter agree\n",
                        narrow(name).c_str(), entries);
    }
}

} // namespace
