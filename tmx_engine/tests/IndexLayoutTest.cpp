#include "IndexTestSupport.h"
#include "core/tests/TestFiles.h"

#include "tmx_engine/Index.h"
#include "tmx_engine/TermList.h"
#include "tmx_engine/TmxIndexBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using indextest::segmentOf;

// The trie and file layout exactly as the format describes them, kept as simple as possible:
// sibling chains in the order met, posting vectors, the recursive layout. The builder's own
// structures (child tables, remembered walks) must give the same bytes.
class PlainTrie {
public:
    PlainTrie() { roots_.assign(1024, -1); }

    void addPosting(const std::wstring& term, uint32_t entry) {
        Node& n = nodes_[nodeOf(term)];
        if (n.capped)
            return;
        if (!n.postings.empty() && n.postings.back() == entry)
            return;
        if (n.postings.size() == 8192) {
            n.capped = true;
            n.postings.clear();
            return;
        }
        n.postings.push_back(entry);
    }

    // The bucket table and the nodes, for a bucket table at the given file offset.
    std::vector<uint8_t> layout(uint32_t bucketTable) {
        out_.assign(4096, 0);
        base_ = bucketTable;
        offsets_.assign(nodes_.size(), 0);
        for (int b = 0; b < 1024; ++b) {
            if (roots_[b] < 0)
                continue;
            put(4 * b, here());
            emit(roots_[b]);
        }
        for (size_t i = 0; i < nodes_.size(); ++i) {
            const uint32_t at = offsets_[i] - base_;
            if (nodes_[i].sibling >= 0)
                put(at + 4, offsets_[nodes_[i].sibling]);
            if (nodes_[i].child >= 0)
                put(at + 8, offsets_[nodes_[i].child]);
        }
        return out_;
    }

private:
    struct Node {
        wchar_t unit;
        std::vector<uint32_t> postings;
        bool capped = false;
        int sibling = -1;
        int child = -1;
    };

    int nodeOf(const std::wstring& term) {
        int parent = -1;
        int current = -1;
        for (size_t i = 0; i < term.size(); ++i) {
            int at = parent < 0 ? roots_[indexBucket(term.data(), term.size())] : nodes_[parent].child;
            int last = -1;
            while (at >= 0 && nodes_[at].unit != term[i]) {
                last = at;
                at = nodes_[at].sibling;
            }
            if (at < 0) {
                nodes_.push_back(Node{term[i], {}});
                at = static_cast<int>(nodes_.size()) - 1;
                if (last >= 0)
                    nodes_[last].sibling = at;
                else if (parent >= 0)
                    nodes_[parent].child = at;
                else
                    roots_[indexBucket(term.data(), term.size())] = at;
            }
            current = at;
            parent = at;
        }
        return current;
    }

    uint32_t here() const { return base_ + static_cast<uint32_t>(out_.size()); }
    void put(size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k)
            out_[at + k] = static_cast<uint8_t>(v >> (8 * k));
    }
    void append32(uint32_t v) {
        out_.resize(out_.size() + 4);
        put(out_.size() - 4, v);
    }
    void emit(int n) {
        while (n >= 0) {
            offsets_[n] = here();
            const Node& node = nodes_[n];
            append32((uint32_t(node.postings.size()) << 16) | static_cast<uint16_t>(node.unit));
            append32(0);
            append32(0);
            for (uint32_t p : node.postings)
                append32(p);
            if (node.sibling >= 0)
                emit(node.sibling);
            n = node.child;
        }
    }

    std::vector<Node> nodes_;
    std::vector<int> roots_;
    std::vector<uint8_t> out_;
    std::vector<uint32_t> offsets_;
    uint32_t base_ = 0;
};

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

    testfiles::TempDir dir(L"idx_layout");
    const std::wstring path = dir.file(L"w.tmx.idx");
    ASSERT_TRUE(builder.write(path));
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

} // namespace
