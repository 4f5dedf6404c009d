#pragma once

#include "viewer/ViewerSettingsValues.h"

#include <cstdint>

class Properties;

// How many results a search shows: "maxSearchResults", 25 when unset. A stored value below 1
// (a damaged or hand-edited settings file) also reads as 25, so no caller ever sees a negative
// or zero count. Every reader of the key goes through here.

int32_t sanitiseMaxSearchResults(int32_t stored);
int32_t readMaxSearchResults(Properties& settings);
// The same from the program's global settings.
int32_t readMaxSearchResults();

// The maximum the search job's per-word budget is computed from: the shown count, raised to at
// least 150.
uint32_t searchBudgetMaximum(int32_t maxSearchResults);
