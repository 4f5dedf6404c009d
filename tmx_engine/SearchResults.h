#pragma once

#include <cstdint>
#include <vector>

struct SearchResult {
    int32_t score;
    uint32_t entryId; // in a group, the composed id
};
static_assert(sizeof(SearchResult) == 8, "a search result is eight bytes");

// The results of one search: highest score first, equal scores in the order they were added.
// A search only adds to it; the order is settled when the results are read.
class SearchResults {
public:
    void add(int32_t score, uint32_t entryId);
    void clear();

    bool empty() const { return results_.empty(); }
    size_t size() const { return results_.size(); }
    // How many results were added since the last clear.
    uint32_t added() const { return added_; }
    // The best score; only meaningful when not empty.
    int32_t bestScore() const;

    const SearchResult& operator[](size_t i) const { return ordered()[i]; }
    const std::vector<SearchResult>& ordered() const;
    std::vector<SearchResult>::const_iterator begin() const { return ordered().begin(); }
    std::vector<SearchResult>::const_iterator end() const { return ordered().end(); }

private:
    mutable std::vector<SearchResult> results_;
    mutable size_t sortedPrefix_ = 0; // results_[0, sortedPrefix_) are in order
    int32_t best_ = 0;
    uint32_t added_ = 0;
};
