#include "tmx_engine/IndexBuilder.h"

#include "tmx_engine/Index.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace {

int sizeClassOf(uint32_t count) { // count >= 2
    return 32 - __builtin_clz(count - 1);
}

void putU32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, 4); }

} // namespace

IndexBuilder::IndexBuilder() { std::memset(roots_, 0, sizeof roots_); }

IndexBuilder::~IndexBuilder() = default;

uint64_t IndexBuilder::headerSize() const { return 0; }

void IndexBuilder::writeHeader(MappedFile&) {}

uint32_t IndexBuilder::newNode(wchar_t unit) {
    const uint32_t ref = arena_.allocate(4);
    if (!ref) {
        failed_ = true;
        return 0;
    }
    uint32_t* n = arena_.at(ref);
    n[0] = static_cast<uint16_t>(unit);
    n[1] = n[2] = n[3] = 0;
    wordCount_ += 3;
    return ref;
}

uint32_t IndexBuilder::descend(uint32_t from, const wchar_t* units, size_t length) {
    if (length == 0 || failed_)
        return 0;
    uint32_t* slot;
    if (from == 0)
        slot = &roots_[indexBucket(units, length)];
    else
        slot = &arena_.at(from)[2];
    uint32_t ref = 0;
    for (size_t i = 0;; ) {
        const uint32_t unit = static_cast<uint16_t>(units[i]);
        ref = *slot;
        while (ref) {
            uint32_t* n = arena_.at(ref);
            if ((n[0] & 0xFFFF) == unit)
                break;
            slot = &n[1];
            ref = *slot;
        }
        if (!ref) {
            // Arena blocks never move, so the slot stays valid across the allocation.
            ref = newNode(units[i]);
            if (!ref)
                return 0;
            *slot = ref;
        }
        if (++i == length)
            return ref;
        slot = &arena_.at(ref)[2];
    }
}

uint32_t IndexBuilder::node(const wchar_t* term, size_t length) { return descend(0, term, length); }

uint32_t IndexBuilder::node(const std::wstring& term) { return descend(0, term.data(), term.size()); }

uint32_t IndexBuilder::allocatePostings(int sizeClass) {
    uint32_t ref = freeLists_[sizeClass];
    if (ref) {
        freeLists_[sizeClass] = arena_.at(ref)[0];
        return ref;
    }
    ref = arena_.allocate(1u << sizeClass);
    if (!ref)
        failed_ = true;
    return ref;
}

void IndexBuilder::freePostings(uint32_t ref, int sizeClass) {
    arena_.at(ref)[0] = freeLists_[sizeClass];
    freeLists_[sizeClass] = ref;
}

bool IndexBuilder::appendPosting(uint32_t ref, uint32_t entry) {
    if (!ref || failed_)
        return false;
    uint32_t* n = arena_.at(ref);
    if (n[0] & kCappedBit)
        return false;
    const uint32_t count = (n[0] >> kCountShift) & kCountMask;
    // The same entry twice in a row is kept once; this test comes before the cap, so a term met
    // in exactly kPostingCap entries keeps them all.
    if (count == 1 && n[3] == entry)
        return false;
    if (count >= 2 && arena_.at(n[3])[count - 1] == entry)
        return false;
    if (count >= kPostingCap) {
        n[0] |= kCappedBit;
        if (options_ & kDropCappedPostings) {
            freePostings(n[3], sizeClassOf(count));
            wordCount_ -= count;
            n[0] &= ~(kCountMask << kCountShift);
            n[3] = 0;
        }
        return false;
    }
    if (count == 0) {
        n[3] = entry;
    } else if (count == 1) {
        const uint32_t block = allocatePostings(1);
        if (!block)
            return false;
        uint32_t* p = arena_.at(block);
        p[0] = n[3];
        p[1] = entry;
        n[3] = block;
    } else {
        const int sizeClass = sizeClassOf(count);
        if (count == (1u << sizeClass)) {
            const uint32_t block = allocatePostings(sizeClass + 1);
            if (!block)
                return false;
            std::memcpy(arena_.at(block), arena_.at(n[3]), 4 * size_t(count));
            freePostings(n[3], sizeClass);
            n[3] = block;
        }
        arena_.at(n[3])[count] = entry;
    }
    n[0] += 1u << kCountShift;
    wordCount_ += 1;
    return count >= 1;
}

bool IndexBuilder::addPosting(const std::wstring& term, uint32_t entry) {
    return appendPosting(node(term), entry);
}

void IndexBuilder::makeAlias(uint32_t ref, uint32_t target) {
    try {
        aliasTargets_[ref] = target;
    } catch (const std::bad_alloc&) {
        failed_ = true;
        return;
    }
    arena_.at(ref)[0] |= kAliasBit;
    ++aliasCount_;
}

uint32_t IndexBuilder::postingCount(uint32_t ref) const {
    return ref ? (arena_.at(ref)[0] >> kCountShift) & kCountMask : 0;
}

bool IndexBuilder::isCapped(uint32_t ref) const {
    return ref && (arena_.at(ref)[0] & kCappedBit) != 0;
}

bool IndexBuilder::isAlias(uint32_t ref) const {
    return ref && (arena_.at(ref)[0] & kAliasBit) != 0;
}

std::vector<uint32_t> IndexBuilder::postingList(uint32_t ref) const {
    std::vector<uint32_t> list;
    const uint32_t count = postingCount(ref);
    if (count == 1)
        list.push_back(arena_.at(ref)[3]);
    else if (count >= 2)
        list.assign(arena_.at(arena_.at(ref)[3]), arena_.at(arena_.at(ref)[3]) + count);
    return list;
}

uint64_t IndexBuilder::fileSize() const {
    return headerSize() + 4 * wordCount_ + 4ull * IndexFormat::kBucketCount + 7 +
           4ull * aliasCount_;
}

// Each bucket's nodes go out as: a sibling chain back to back, then the children of its last node,
// then those of the one before, and so on down to the first (the order of the recursive layout,
// kept with an explicit stack so that a long run of letters cannot exhaust the thread's stack).
// A sibling follows its node directly; a child's offset is known when the child goes out and is
// written then into its parent.
bool IndexBuilder::writeNodes(MappedFile& out, size_t bucketTable) {
    struct Pending {
        uint32_t ref;
        uint32_t offset;
    };
    std::vector<Pending> pending;
    std::unordered_map<uint32_t, uint32_t> targetOffsets;
    std::vector<Pending> aliases; // alias node -> its own file offset
    for (const auto& a : aliasTargets_)
        targetOffsets.emplace(a.second, 0);
    uint8_t* const base = out.data();
    const size_t size = out.size();
    size_t cursor = out.cursor();

    auto emitChain = [&](uint32_t ref) -> bool {
        for (; ref; ref = arena_.at(ref)[1]) {
            const uint32_t* n = arena_.at(ref);
            const bool alias = (n[0] & kAliasBit) != 0;
            const uint32_t count = (n[0] >> kCountShift) & kCountMask;
            const size_t bytes = alias ? 16 : 12 + 4 * size_t(count);
            if (bytes > size - cursor)
                return false;
            uint8_t* at = base + cursor;
            const uint32_t offset = static_cast<uint32_t>(cursor);
            const uint32_t unit = n[0] & 0xFFFF;
            std::memset(at + 4, 0, 8);
            if (alias) {
                putU32(at, unit | 0xFFFF0000u);
                putU32(at + 12, 0);
                aliases.push_back({ref, offset});
            } else {
                putU32(at, (count << 16) | unit);
                if (count == 1)
                    putU32(at + 12, n[3]);
                else if (count >= 2)
                    std::memcpy(at + 12, arena_.at(n[3]), 4 * size_t(count));
            }
            if (!targetOffsets.empty()) {
                auto t = targetOffsets.find(ref);
                if (t != targetOffsets.end())
                    t->second = offset;
            }
            cursor += bytes;
            if (n[1])
                putU32(at + 4, static_cast<uint32_t>(cursor));
            pending.push_back({ref, offset});
        }
        return true;
    };

    for (uint32_t b = 0; b < IndexFormat::kBucketCount; ++b) {
        if (!roots_[b])
            continue;
        putU32(base + bucketTable + 4 * b, static_cast<uint32_t>(cursor));
        if (!emitChain(roots_[b]))
            return false;
        while (!pending.empty()) {
            const Pending p = pending.back();
            pending.pop_back();
            const uint32_t child = arena_.at(p.ref)[2];
            if (!child)
                continue;
            putU32(base + p.offset + 8, static_cast<uint32_t>(cursor));
            if (!emitChain(child))
                return false;
        }
    }
    for (const Pending& a : aliases)
        putU32(base + a.offset + 12, targetOffsets[aliasTargets_[a.ref]]);
    out.seek(cursor);
    return true;
}

bool IndexBuilder::write(const std::wstring& path) {
    if (failed_)
        return false;
    const uint64_t size = fileSize();
    // Offsets in the file are 32-bit and the reader refuses files of 4 GiB or more.
    if (size >= (uint64_t(1) << 32))
        return false;
    const std::wstring temporary = path + L".tmp";
    bool ok = false;
    {
        MappedFile out = mapFile(temporary, MappedFile::Mode::Write, size);
        if (!out.failed()) {
            try {
                writeHeader(out);
                out.writeZeros((8 - out.cursor() % 8) % 8);
                const size_t bucketTable = out.cursor();
                out.writeZeros(4 * IndexFormat::kBucketCount);
                ok = !out.shortTransfer() && writeNodes(out, bucketTable) && !out.shortTransfer();
            } catch (const std::bad_alloc&) {
                ok = false;
            }
            ok = out.close() && ok;
        }
    }
    if (ok)
        ok = MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}
