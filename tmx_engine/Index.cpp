#include "tmx_engine/Index.h"

#include <algorithm>
#include <new>
#include <vector>

int indexBucket(const wchar_t* key, size_t length) {
    if (length == 0)
        return -1;
    uint32_t h = 0;
    const size_t n = length < 2 ? length : 2;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t u = static_cast<uint16_t>(key[i]);
        h = (h << 4) + ((u & 0xFF) ^ (u >> 8));
        const uint32_t g = h & 0xF0000000u;
        if (g != 0)
            h ^= g >> 24;
        h &= ~g;
    }
    return static_cast<int>(((h >> 8) ^ (h >> 16) ^ h) & 0x3FF);
}

bool Index::validateHeader(MappedFile&) { return true; }

bool Index::validateTable(const uint8_t*) { return true; }

bool Index::open(const std::wstring& path, bool headerOnly) {
    if (file_.isOpen()) {
        lastError_ = IndexAlreadyOpen;
        return false;
    }
    lastError_ = IndexOk;
    damaged_ = false;
    file_ = mapFile(path, MappedFile::Mode::Read);
    if (file_.failed()) {
        file_.close();
        lastError_ = IndexCannotOpen;
        return false;
    }
    file_.seek(0);
    const bool headerAccepted = validateHeader(file_);
    if (!headerAccepted || damaged_) {
        lastError_ = damaged_ ? IndexDamaged : IndexHeaderRejected;
        file_.close();
        return false;
    }
    if (headerOnly) {
        file_.close();
        return true;
    }
    const uint64_t table = (static_cast<uint64_t>(file_.cursor()) + 7) & ~uint64_t(7);
    const uint64_t tableEnd = table + 4ull * IndexFormat::kBucketCount;
    if (tableEnd > file_.size()) {
        lastError_ = IndexDamaged;
        file_.close();
        return false;
    }
    bucketTable_ = static_cast<uint32_t>(table);
    bucketCount_ = IndexFormat::kBucketCount;
    nodesStart_ = static_cast<uint32_t>(tableEnd);
    damagedNodes_.store(false);
    bool rootsInView = true;
    for (uint32_t b = 0; b < bucketCount_; ++b) {
        const uint32_t root = u32At(bucketTable_ + 4 * static_cast<size_t>(b));
        Node node;
        if (root != 0 && !readNode(root, node))
            rootsInView = false;
    }
    if (!rootsInView || !validateTable(file_.start()) ||
        (file_.size() <= fullCheckLimit_ && !validateTrie())) {
        lastError_ = IndexDamaged;
        file_.close();
        bucketCount_ = 0;
        return false;
    }
    return true;
}

bool Index::readNode(uint32_t offset, Node& node) const {
    if (offset < nodesStart_ || static_cast<uint64_t>(offset) + IndexFormat::kNodeHeaderSize > file_.size())
        return false;
    const uint8_t* p = file_.start() + offset;
    std::memcpy(&node.unit, p + IndexFormat::kNodeUnit, 2);
    std::memcpy(&node.count, p + IndexFormat::kNodeCount, 2);
    std::memcpy(&node.sibling, p + IndexFormat::kNodeSibling, 4);
    std::memcpy(&node.child, p + IndexFormat::kNodeChild, 4);
    return true;
}

bool Index::postingsAscendBelowLimit(uint32_t offset, uint32_t count) const {
    const uint8_t* p = file_.start() + offset;
    uint64_t floor = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t v;
        std::memcpy(&v, p + 4 * static_cast<size_t>(i), 4);
        if (v < floor)
            return false;
        floor = uint64_t(v) + 1;
    }
    return floor <= postingLimit_;
}

// Reads the nodes in the order the writer lays them out and asks that each chain of siblings
// begins exactly where the writer would have put it: a bucket's nodes start at its root, right
// after the previous bucket's; a chain goes out back to back, each sibling directly after its
// node; then come the chains of the children of its last node, of the one before, and so on. A
// file that passes has every node reached by exactly one reference from an earlier node, so its
// trie has no cycle, no node shared by two paths and nothing that no lookup reaches (a zeroed
// root or sibling, say), and every node and posting lies inside the view. One pass from front
// to back with a stack of the children still to come, whatever the file holds.
bool Index::validateTrie() const {
    const uint64_t size = file_.size();
    uint64_t at = nodesStart_;
    std::vector<uint32_t> pendingChildren;
    std::vector<uint32_t> aliasTargets;
    uint32_t bucket = 0;
    try {
        for (;;) {
            uint32_t head;
            if (!pendingChildren.empty()) {
                head = pendingChildren.back();
                pendingChildren.pop_back();
            } else {
                while (bucket < bucketCount_ && u32At(bucketTable_ + 4 * size_t(bucket)) == 0)
                    ++bucket;
                if (bucket == bucketCount_)
                    break;
                head = u32At(bucketTable_ + 4 * size_t(bucket++));
            }
            if (head != at)
                return false;
            // The children of a chain's nodes follow it, the last node's first: they are pushed in
            // chain order and taken from the back.
            for (;;) {
                Node node;
                if (!readNode(static_cast<uint32_t>(at), node))
                    return false;
                const bool alias = node.count == IndexFormat::kAliasCount;
                const uint64_t end = at + 4 * IndexFormat::nodeWords(node.count, alias);
                if (end > size)
                    return false;
                if (alias)
                    aliasTargets.push_back(u32At(static_cast<size_t>(at) + IndexFormat::kAliasTarget));
                else if (!postingsAscendBelowLimit(static_cast<uint32_t>(at) + IndexFormat::kNodePostings, node.count))
                    return false;
                if (node.child != 0) {
                    // Every chain still to come needs a node's room: more of them cannot be real,
                    // and the stack stays within what the file can hold.
                    if (pendingChildren.size() >= (size - end) / IndexFormat::kNodeHeaderSize)
                        return false;
                    pendingChildren.push_back(node.child);
                }
                at = end;
                if (node.sibling == 0)
                    break;
                if (node.sibling != at)
                    return false;
            }
        }
        // After the last node only the few bytes the writer reserves for alignment may follow.
        if (size - at > IndexFormat::kTrailingSlackLimit)
            return false;
        return aliasTargetsArePlainNodes(aliasTargets, at);
    } catch (const std::bad_alloc&) {
        // Too little memory to check: lookups still check every node they reach.
        return true;
    }
}

// An alias must name the start of a node with postings of its own. The nodes were found to tile
// [nodesStart_, nodesEnd), so one walk over their sizes lists every node start in order.
bool Index::aliasTargetsArePlainNodes(std::vector<uint32_t>& targets, uint64_t nodesEnd) const {
    if (targets.empty())
        return true;
    std::sort(targets.begin(), targets.end());
    size_t next = 0;
    for (uint64_t at = nodesStart_; at < nodesEnd && next < targets.size();) {
        Node node;
        if (!readNode(static_cast<uint32_t>(at), node))
            return false;
        const bool alias = node.count == IndexFormat::kAliasCount;
        if (targets[next] < at)
            return false;
        while (next < targets.size() && targets[next] == at) {
            if (alias)
                return false;
            ++next;
        }
        at += 4 * IndexFormat::nodeWords(node.count, alias);
    }
    return next == targets.size();
}

uint32_t Index::find(const wchar_t* key, size_t length) const {
    const int bucket = indexBucket(key, length);
    if (bucket < 0 || bucketCount_ == 0)
        return 0;
    uint32_t offset = u32At(bucketTable_ + 4 * static_cast<size_t>(bucket));
    size_t i = 0;
    Node node;
    while (offset != 0 && readNode(offset, node)) {
        uint32_t next;
        if (node.unit == static_cast<uint16_t>(key[i])) {
            if (++i == length)
                return offset;
            next = node.child;
        } else {
            next = node.sibling;
        }
        if (next != 0 && next <= offset) {
            markNodeDamage();
            return 0;
        }
        offset = next;
    }
    if (offset != 0)
        markNodeDamage();
    return 0;
}

Index::Postings Index::postings(uint32_t offset, bool followAlias) const {
    Postings result;
    Node node;
    if (offset == 0)
        return result;
    if (!readNode(offset, node)) {
        markNodeDamage();
        return result;
    }
    if (node.count == IndexFormat::kAliasCount) {
        if (!followAlias)
            return result;
        if (static_cast<uint64_t>(offset) + 4 * IndexFormat::nodeWords(0, true) > file_.size()) {
            markNodeDamage();
            return result;
        }
        offset = u32At(offset + IndexFormat::kAliasTarget);
        if (!readNode(offset, node) || node.count == IndexFormat::kAliasCount) {
            markNodeDamage();
            return result;
        }
    }
    if (static_cast<uint64_t>(offset) + 4 * IndexFormat::nodeWords(node.count, false) > file_.size() ||
        !postingsAscendBelowLimit(offset + IndexFormat::kNodePostings, node.count)) {
        markNodeDamage();
        return result;
    }
    result.first = file_.start() + offset + IndexFormat::kNodePostings;
    result.count = node.count;
    return result;
}

bool Index::collect(uint32_t offset, std::set<uint32_t>& set, bool followAlias,
                    uint32_t budget) const {
    Node node;
    if (offset == 0 || !readNode(offset, node))
        return false;
    if (budget == 0)
        return true;
    // Depth first without recursion: a long run of letters makes a deep trie.
    std::vector<uint32_t> stack;
    stack.push_back(offset);
    bool top = true;
    // Nodes walked are bounded like the check at open, so that damage that makes many paths meet
    // in the same nodes cannot make a collection run for ever.
    uint64_t wordsLeft = (file_.size() - nodesStart_) / 4;
    while (!stack.empty()) {
        const uint32_t at = stack.back();
        stack.pop_back();
        if (!readNode(at, node)) {
            markNodeDamage();
            continue;
        }
        const uint64_t words = IndexFormat::nodeWords(node.count, node.count == IndexFormat::kAliasCount);
        if (words > wordsLeft) {
            markNodeDamage();
            return true;
        }
        wordsLeft -= words;
        const Postings p = postings(at, followAlias);
        for (uint32_t i = 0; i < p.count; ++i) {
            if (set.insert(p.at(i)).second && --budget == 0)
                return true;
        }
        if (!top && node.sibling != 0) {
            if (node.sibling > at)
                stack.push_back(node.sibling);
            else
                markNodeDamage();
        }
        if (node.child != 0) {
            if (node.child > at)
                stack.push_back(node.child);
            else
                markNodeDamage();
        }
        top = false;
    }
    return true;
}
