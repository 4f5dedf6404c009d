#pragma once

#include "core/threads/Job.h"
#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/SegmentElement.h"

#include <cstdint>
#include <string>
#include <vector>

class TmxEntryProvider;

// One word search of the open file on a pool thread. A typed query is cut into the words that
// must match and those written right after a "-" that must not; the provider's search fills
// results, which the main window hands to the results box once finished has fired.
class TmxSearchJob : public Job {
public:
    // maximum: the count the per-word budget is computed from (searchBudgetMaximum). The provider
    // is not owned and must stay open until finished has fired.
    TmxSearchJob(const std::wstring& targetLanguage, TmxEntryProvider* provider,
                 const std::wstring& query, uint32_t maximum);
    // A query whose words are already chosen (a document row's, which must not be read as query
    // syntax); text is what the results box emphasises.
    TmxSearchJob(const std::wstring& targetLanguage, TmxEntryProvider* provider,
                 const std::wstring& text, SearchQuery words);

    void run() override;

    TmxEntryProvider* provider() const { return provider_; }
    const SearchResults& results() const { return results_; }
    const std::wstring& targetLanguage() const { return targetLanguage_; }
    const std::wstring& query() const { return query_; }
    const std::vector<SegmentElement>& includeWords() const { return includeWords_; }
    const std::vector<SegmentElement>& excludeWords() const { return excludeWords_; }
    uint32_t perWordBudget() const { return perWordBudget_; }
    bool strongMatch() const { return strongMatch_; }
    // What the search returned: the number of candidate entries examined; -1 when the search ran
    // out of memory (the results are then empty).
    int32_t searchResult() const { return searchResult_; }

private:
    TmxEntryProvider* provider_;
    SearchResults results_;
    std::wstring targetLanguage_;
    std::wstring query_;
    std::vector<SegmentElement> includeWords_;
    std::vector<SegmentElement> excludeWords_;
    uint32_t perWordBudget_ = 0;
    bool strongMatch_ = false;
    int32_t searchResult_ = 0;
};
