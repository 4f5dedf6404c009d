#pragma once

#include "tmx_engine/Index.h"

#include <cstdint>
#include <string>
#include <vector>

namespace indextest {

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

// Where the bucket table of an index file begins: after the header (language records, the five
// header strings with the creation date, the entry count), padded to 8 bytes, and the entry table.
inline uint32_t bucketTableOffset(const std::vector<uint8_t>& file) {
    auto u16 = [&](size_t at) { return uint32_t(file[at]) | uint32_t(file[at + 1]) << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    size_t at = 30;
    const uint32_t languages = u32(at);
    at += 4;
    auto skipString = [&] { at += 2 + 2 * size_t(u16(at)); };
    for (uint32_t i = 0; i < languages; ++i) {
        skipString();
        at += 2;
    }
    for (int i = 0; i < 3; ++i)
        skipString();
    at += 8; // creation date
    skipString();
    skipString();
    const uint32_t entries = u32(at);
    at += 4;
    at = (at + 7) & ~size_t(7);
    return static_cast<uint32_t>(at + 8 * size_t(entries));
}

} // namespace indextest
