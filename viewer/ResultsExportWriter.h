#pragma once

#include "tmx_engine/PackedDate.h"
#include "tmx_engine/SearchResults.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ByteSink;
class TmxEntryProvider;

// The two forms in which search results are saved: a TMX 1.4 document or tab-separated text.
enum class ExportFormat { Tmx, Text };

// True when the last four characters are ".tmx" (exact; callers pass a lower-cased copy).
bool hasTmxSuffix(const std::wstring& path);
// The format a target path asks for: TMX for a ".tmx" name in any letter case, text otherwise.
ExportFormat exportFormatFor(const std::wstring& path);

// What writeResults writes: the results in display order, each entry read from the provider;
// an entry that cannot be read is skipped.
struct ResultsExportInput {
    TmxEntryProvider* provider = nullptr;
    std::wstring targetLanguage;
    const std::vector<SearchResult>* results = nullptr;
    // The TMX header's creation date.
    PackedDate now;
    // The TMX header's administrative language; "en" when empty.
    std::wstring adminLanguage;
};

struct ResultsExportCount {
    uint32_t entriesWritten = 0;
    uint32_t entriesSkipped = 0;
};

// Called before result k of n with (k + 1) * 100 / n, only when that differs from the value
// passed last (which starts at 0).
using ExportProgress = std::function<void(int)>;

// Encodes the results as UTF-8 (no byte-order mark, CR LF line ends) into sink. False as soon as
// the sink refuses bytes; what follows is then not written. Without a provider or results nothing
// is written and the result is true.
bool writeResults(ExportFormat format, ByteSink& sink, const ResultsExportInput& input,
                  const ExportProgress& progress, ResultsExportCount* count = nullptr);
