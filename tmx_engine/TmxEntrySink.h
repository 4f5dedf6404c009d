#pragma once

#include "tmx_engine/SegmentElement.h"
#include "tmx_engine/TmxHeader.h"

#include <cstdint>
#include <string>
#include <vector>

// What the TMX parser hands on as it reads: the header facts, the target languages met, and one
// entry per source segment and target language. The index builder takes them for a whole file;
// a recorder keeps those of one piece of a file for the builder to take later.
class TmxEntrySink {
public:
    virtual TmxHeader& header() = 0;
    // 1: terms carry the target language's prefix; 2: one shared prefix for all languages.
    virtual uint16_t languageMode() const = 0;
    // A target language met in a tuv, in the order of the file.
    virtual void enterLanguage(const std::wstring& code) = 0;
    // The prefix of a language entered before (0 when there is none).
    virtual wchar_t prefixOf(const std::wstring& code) = 0;
    virtual void addEntry(const std::wstring& language, const std::vector<SegmentElement>& segment,
                          wchar_t prefix, uint32_t tuOffset) = 0;
    // The same language and segment as the last addEntry, unchanged since, for another target.
    virtual void repeatEntry(const std::wstring& language, const std::vector<SegmentElement>& segment,
                             wchar_t prefix, uint32_t tuOffset) {
        addEntry(language, segment, prefix, tuOffset);
    }

protected:
    ~TmxEntrySink() = default;
};
