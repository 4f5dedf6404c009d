#pragma once

#include <cstdint>
#include <type_traits>

// The two kinds of arena reference of the index builder, kept apart by type.
//
// A node never moves and is never freed while the builder lives: a NodeRef stays true from one
// step of the term stage to the next, so probes, remembered walks and entries in flight keep
// them. 0 is no node.
class NodeRef {
public:
    constexpr NodeRef() = default;
    constexpr explicit NodeRef(uint32_t ref) : ref_(ref) {}
    constexpr uint32_t ref() const { return ref_; }
    constexpr explicit operator bool() const { return ref_ != 0; }
    constexpr bool operator==(NodeRef other) const { return ref_ == other.ref_; }
    constexpr bool operator!=(NodeRef other) const { return ref_ != other.ref_; }

private:
    uint32_t ref_ = 0;
};

// A block of a posting list or of a child table. A list or table that outgrows its block moves
// to a bigger one and its old block goes back to the shard's free blocks, where the next list or
// table of that size takes it: a BlockRef is true only until the shard allocates again. It is
// therefore read afresh from its node wherever it is needed and lives only as a local: it cannot
// be made empty or assigned, so no state kept between steps (a probe, a slot, an entry in
// flight, all of which are made empty and assigned) can hold one.
class BlockRef {
public:
    BlockRef() = delete;
    BlockRef(const BlockRef&) = default;
    BlockRef& operator=(const BlockRef&) = delete;
    uint32_t ref() const { return ref_; }

private:
    friend class IndexBuilder;
    explicit BlockRef(uint32_t ref) : ref_(ref) {}
    uint32_t ref_;
};

static_assert(!std::is_default_constructible<BlockRef>::value && !std::is_copy_assignable<BlockRef>::value,
              "a block reference must not be kept from one step to the next");
static_assert(std::is_trivially_copyable<NodeRef>::value && sizeof(NodeRef) == 4,
              "a node reference is one word, as it is stored in the arena");
