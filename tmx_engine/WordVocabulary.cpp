#include "tmx_engine/WordVocabulary.h"

#include <cstring>

namespace {

uint32_t hashOf(const wchar_t* text, size_t length) {
    uint32_t h = 2166136261u ^ static_cast<uint32_t>(length);
    for (size_t i = 0; i < length; ++i)
        h = (h ^ static_cast<uint16_t>(text[i])) * 16777619u;
    return h ^ (h >> 15);
}

} // namespace

WordVocabulary::WordVocabulary() { clear(); }

void WordVocabulary::clear() {
    std::vector<Slot>(size_t(1) << 16, Slot{0, 0}).swap(slots_);
    mask_ = (1u << 16) - 1;
    std::vector<const wchar_t*>().swap(starts_);
    std::vector<uint32_t>().swap(lengths_);
    std::vector<std::unique_ptr<wchar_t[]>>().swap(pieces_);
    pieceLeft_ = 0;
    pieceNext_ = nullptr;
}

bool WordVocabulary::equals(uint32_t id, const wchar_t* text, size_t length) const {
    return lengths_[id] == length && std::memcmp(starts_[id], text, length * sizeof(wchar_t)) == 0;
}

void WordVocabulary::grow() {
    std::vector<Slot> bigger(slots_.size() * 2, Slot{0, 0});
    const uint32_t mask = static_cast<uint32_t>(bigger.size() - 1);
    for (const Slot& s : slots_) {
        if (!s.id)
            continue;
        uint32_t i = s.hash & mask;
        while (bigger[i].id)
            i = (i + 1) & mask;
        bigger[i] = s;
    }
    slots_.swap(bigger);
    mask_ = mask;
}

uint32_t WordVocabulary::idOf(const wchar_t* text, size_t length) {
    const uint32_t h = hashOf(text, length);
    uint32_t i = h & mask_;
    for (;;) {
        const Slot& s = slots_[i];
        if (!s.id)
            break;
        if (s.hash == h && equals(s.id - 1, text, length))
            return s.id - 1;
        i = (i + 1) & mask_;
    }
    // A new word: keep its text, then enter it (growing first keeps the table at most half full).
    if (length > pieceLeft_) {
        const size_t units = length > kPieceUnits ? length : kPieceUnits;
        pieces_.emplace_back(new wchar_t[units]);
        pieceNext_ = pieces_.back().get();
        pieceLeft_ = units;
    }
    std::memcpy(pieceNext_, text, length * sizeof(wchar_t));
    const uint32_t id = static_cast<uint32_t>(starts_.size());
    starts_.push_back(pieceNext_);
    lengths_.push_back(static_cast<uint32_t>(length));
    pieceNext_ += length;
    pieceLeft_ -= length;
    if (2 * (size_t(id) + 1) > slots_.size()) {
        grow();
        i = h & mask_;
        while (slots_[i].id)
            i = (i + 1) & mask_;
    }
    slots_[i] = Slot{h, id + 1};
    return id;
}
