#include "tmx_engine/SearchResults.h"

#include <algorithm>

void SearchResults::add(int32_t score, uint32_t entryId) {
    if (results_.empty() || score > best_)
        best_ = score;
    results_.push_back(SearchResult{score, entryId});
    ++added_;
}

void SearchResults::clear() {
    results_.clear();
    sortedPrefix_ = 0;
    best_ = 0;
    added_ = 0;
}

int32_t SearchResults::bestScore() const { return best_; }

const std::vector<SearchResult>& SearchResults::ordered() const {
    if (sortedPrefix_ != results_.size()) {
        auto byScore = [](const SearchResult& a, const SearchResult& b) { return a.score > b.score; };
        // Stable: among equal scores the earlier addition stays first, also across several rounds
        // of additions (the sorted part was added before everything after it).
        std::stable_sort(results_.begin() + static_cast<std::ptrdiff_t>(sortedPrefix_),
                         results_.end(), byScore);
        std::inplace_merge(results_.begin(),
                           results_.begin() + static_cast<std::ptrdiff_t>(sortedPrefix_),
                           results_.end(), byScore);
        sortedPrefix_ = results_.size();
    }
    return results_;
}
