#include "IndexTestSupport.h"
#include "PlainTrie.h"
#include "core/tests/TestFiles.h"

#include "tmx_engine/Index.h"
#include "tmx_engine/TermList.h"
#include "tmx_engine/TmxIndexBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using indextest::PlainTrie;
using indextest::segmentOf;

std::wstring wordOf(uint32_t k) {
    static const std::wstring letters =
        L"abcdefghijklmnopqrstuvwxyz\u0430\u0431\u0432\u0433\u0434\u0435\u0436\u0437\u0438\u043A"
        L"\u043B\u043C\u043D\u043E\u043F\u0440\u0441\u0442\u0443\u0444\u03B1\u03B2\u03B3\u03B4"
        L"\u03B5\u03B6\u03B7\u03B8\u03B9\u03BA\u03BB\u03BC\u00E9\u00E8\u00FC\u00F6";
    std::wstring w;
    do {
        w += letters[k % letters.size()];
        k /= static_cast<uint32_t>(letters.size());
    } while (k);
    return w;
}

// Writes the builder (two target languages, "de" and "fr", no header strings but srclang "en")
// and compares its nodes with the plain layout byte for byte.
void expectPlainLayout(TmxIndexBuilder& builder, PlainTrie& plain, uint32_t entries) {
    testfiles::TempDir dir(L"idx_layout");
    const std::wstring path = dir.file(L"w.tmx.idx");
    ASSERT_TRUE(builder.write(path)) << (builder.layoutMismatched() ? "planned and written layout differ" : "");
    const std::vector<uint8_t> file = testfiles::readFile(path);
    ASSERT_EQ(file.size(), builder.fileSize());

    // Header: 34 bytes, two languages of 2 units (8 each), four empty strings and "en", the
    // creation date and E; then the entry table from the next multiple of 8.
    const uint32_t headerEnd = 34 + 16 + 4 * 2 + 6 + 8 + 4;
    const uint32_t bucketTable = ((headerEnd + 7) & ~7u) + 8 * entries;
    const std::vector<uint8_t> expected = plain.layout(bucketTable);
    ASSERT_LE(bucketTable + expected.size(), file.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + bucketTable));
    for (size_t i = bucketTable + expected.size(); i < file.size(); ++i)
        ASSERT_EQ(file[i], 0) << i;
}

TEST(IndexLayoutTest, WideNodesAndRememberedWalksGiveThePlainLayout) {
    TmxIndexBuilder builder;
    builder.header().srcLang = L"en";
    builder.addLanguage(L"de");
    builder.addLanguage(L"fr");
    PlainTrie plain;
    const uint32_t entries = 13000;
    for (uint32_t i = 0; i < entries; ++i) {
        std::wstring text = L"common " + wordOf((i * 37) % 3001) + L" " + wordOf(i % 211) + L" end";
        // A new pair in several entries in a row, under long words that share their beginnings:
        // its path is looked for again while an entry just before is still to make it, and such
        // looks end partway down paths that other words made.
        text += L" interlinear" + wordOf(i / 4) + L" interlinear" + wordOf(i / 4 + 1);
        // Words that hold a "|" share nodes with the pairs of the word before them.
        if (i % 97 == 0)
            text += L" common|" + wordOf(i % 13) + L" " + wordOf(i % 7);
        const Segment segment = segmentOf(text);
        const wchar_t prefix = builder.languagePrefix(i % 3 ? L"de" : L"fr");
        builder.addEntry(L"en", segment, prefix, i);
        for (const Term& t : buildTerms(segment, prefix, 0x4E).terms)
            plain.addPosting(t.text, i);
    }
    EXPECT_TRUE(builder.isCapped(builder.node(L"\uFF22common|end")));
    EXPECT_FALSE(builder.isCapped(builder.node(L"\uFF23common|end")));

    expectPlainLayout(builder, plain, entries);
}

// Entries ahead of their turn look for their pairs with read-only probes. Here one entry grows
// the child table of "alpha|" past its limit and, a few terms later, hands its old block to the
// new table of "abz|" (same bucket, same shard at any thread count), while the probe of an entry
// ten behind stands at that table looking for a child "γ" that only "abz|" has. A probe that
// kept the table's block finds "abz|γ" and hangs its pair under the wrong word.
TEST(IndexLayoutTest, ProbesAtAGrowingChildTableGiveThePlainLayoutAtEveryThreadCount) {
    const std::wstring starts = L"cdefghijklmnopqr";       // alpha's second words, 16
    const std::wstring greek = L"\u03B1\u03B2\u03B3\u03B4\u03B5\u03B6\u03B7\u03B8\u03B9"; // 9
    const std::wstring others = L"bcdefghi";                // the words "abz" .. "aiz"
    std::vector<std::wstring> texts;
    for (int i = 0; i < 15; ++i)
        texts.push_back(L"alpha " + starts.substr(i, 1) + L"x");
    for (wchar_t o : others)
        for (int i = 0; i < 8; ++i)
            texts.push_back(std::wstring(L"a") + o + L"z " + greek.substr(i, 1) + L"\u03C9");
    std::wstring growing = L"alpha rx";
    for (wchar_t o : others)
        growing += std::wstring(L" a") + o + L"z \u03B9\u03C9";
    texts.push_back(growing);
    for (int j = 0; j < 16; ++j)
        texts.push_back(L"alpha \u03B3k" + std::wstring(1, static_cast<wchar_t>(L'a' + j)));

    for (uint32_t threads : {0u, 1u, 2u, 4u, 8u}) {
        SCOPED_TRACE(threads);
        TmxIndexBuilder builder;
        builder.setWorkerThreads(threads);
        builder.header().srcLang = L"en";
        builder.addLanguage(L"de");
        builder.addLanguage(L"fr");
        const wchar_t prefix = builder.languagePrefix(L"de");
        PlainTrie plain;
        for (uint32_t i = 0; i < texts.size(); ++i) {
            const Segment segment = segmentOf(texts[i]);
            builder.addEntry(L"en", segment, prefix, i);
            for (const Term& t : buildTerms(segment, prefix, 0x4E).terms)
                plain.addPosting(t.text, i);
        }
        expectPlainLayout(builder, plain, static_cast<uint32_t>(texts.size()));
    }
}

} // namespace
