#include "viewer/TmxSearchJob.h"

#include "core/util/StringUtils.h"
#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/TmxEntryProvider.h"

#include <new>

TmxSearchJob::TmxSearchJob(const std::wstring& targetLanguage, TmxEntryProvider* provider,
                           const std::wstring& query, uint32_t maximum)
    : TmxSearchJob(targetLanguage, provider, query, SearchQuery::split(trim(query), maximum)) {}

TmxSearchJob::TmxSearchJob(const std::wstring& targetLanguage, TmxEntryProvider* provider,
                           const std::wstring& text, SearchQuery words)
    : provider_(provider), targetLanguage_(targetLanguage), query_(trim(text)),
      includeWords_(std::move(words.includeWords)), excludeWords_(std::move(words.excludeWords)),
      perWordBudget_(words.perWordBudget) {}

void TmxSearchJob::run() {
    if (!provider_)
        return;
    try {
        searchResult_ = provider_->search(targetLanguage_, includeWords_, excludeWords_,
                                          perWordBudget_, strongMatch_, results_);
    } catch (const std::bad_alloc&) {
        // Nothing may escape a pool thread; a search too large for memory shows no results.
        results_.clear();
        searchResult_ = -1;
    }
}
