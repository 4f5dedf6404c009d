#pragma once

#include "tmx_engine/SearchQuery.h"

#include <cstdint>
#include <string>

// A query made of every word of a text as a word that must match, whatever minus signs the text
// holds: a text looked up as a whole (a document's source) is not query syntax, and its
// "--check-order" or "high-order" must not turn words into exclusions. The words are the
// tokenizer's, as SearchQuery::split takes them; kind-0 tokens take part as little; the budget is
// maximum / (number of words), 0 without words.
SearchQuery everyWordQuery(const std::wstring& text, uint32_t maximum);
