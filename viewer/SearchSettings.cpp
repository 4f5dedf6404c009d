#include "viewer/SearchSettings.h"

#include "core/settings/Settings.h"
#include "tmx_engine/SearchQuery.h"

int32_t sanitiseMaxSearchResults(int32_t stored) {
    return stored < 1 ? kDefaultMaxSearchResults : stored;
}

int32_t readMaxSearchResults(Properties& settings) {
    return sanitiseMaxSearchResults(settings.get<int>(L"maxSearchResults", kDefaultMaxSearchResults));
}

int32_t readMaxSearchResults() { return readMaxSearchResults(Settings::global()); }

uint32_t searchBudgetMaximum(int32_t maxSearchResults) {
    return SearchQuery::budgetMaximum(sanitiseMaxSearchResults(maxSearchResults));
}
