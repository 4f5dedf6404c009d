#pragma once

#include "core/threads/Job.h"
#include "tmx_engine/SearchResults.h"

#include <cstdint>
#include <string>
#include <vector>

class TmxEntryProvider;

// Saves the results of a search on a pool thread, as TMX when the target path ends in ".tmx" (in
// any letter case), else as tab-separated text. The file is written beside the target and moved
// over it only once complete, so a failed export leaves an existing file, even the open TMX file,
// as it was; failed() then tells the window to say so.
class ExportResultsJob : public Job {
public:
    // The provider is not owned and must stay open until finished has fired. Made on the GUI
    // thread: the interface language is taken here for the TMX header.
    ExportResultsJob(const std::wstring& targetPath, const std::wstring& targetLanguage,
                     const std::vector<SearchResult>& results, TmxEntryProvider* provider);

    void run() override;

    const std::wstring& targetPath() const { return targetPath_; }
    const std::wstring& targetLanguage() const { return targetLanguage_; }
    const std::vector<SearchResult>& results() const { return results_; }
    TmxEntryProvider* provider() const { return provider_; }

    // After finished: true when the file could not be created or completely written (or memory
    // ran out); the target is then unchanged. An export without provider or results writes
    // nothing and has not failed.
    bool failed() const { return failed_; }
    uint32_t entriesWritten() const { return entriesWritten_; }
    uint64_t bytesWritten() const { return bytesWritten_; }

private:
    std::wstring targetPath_;
    std::wstring targetLanguage_;
    std::wstring adminLanguage_;
    TmxEntryProvider* provider_;
    std::vector<SearchResult> results_;
    bool failed_ = false;
    uint32_t entriesWritten_ = 0;
    uint64_t bytesWritten_ = 0;
};
