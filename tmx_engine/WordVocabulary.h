#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Numbers the distinct words met while indexing: the same text always gets the same number, the
// first word met 0, the next new one 1, and so on. The texts are kept in large fixed-size pieces
// (no ever larger contiguous block), the table holds a hash and a number per slot.
class WordVocabulary {
public:
    WordVocabulary();
    WordVocabulary(const WordVocabulary&) = delete;
    WordVocabulary& operator=(const WordVocabulary&) = delete;

    // Throws std::bad_alloc when memory runs out.
    uint32_t idOf(const wchar_t* text, size_t length);
    uint32_t size() const { return static_cast<uint32_t>(starts_.size()); }
    // Forgets every word and frees their texts; numbering starts again at 0.
    void clear();

private:
    struct Slot {
        uint32_t hash;
        uint32_t id; // id + 1, 0 = empty
    };
    static constexpr size_t kPieceUnits = size_t(1) << 18;

    bool equals(uint32_t id, const wchar_t* text, size_t length) const;
    void grow();

    std::vector<Slot> slots_;
    uint32_t mask_ = 0;
    std::vector<const wchar_t*> starts_; // text of each id
    std::vector<uint32_t> lengths_;
    std::vector<std::unique_ptr<wchar_t[]>> pieces_;
    size_t pieceLeft_ = 0;
    wchar_t* pieceNext_ = nullptr;
};
