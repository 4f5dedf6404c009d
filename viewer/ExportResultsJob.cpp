#include "viewer/ExportResultsJob.h"

#include "core/l10n/Localization.h"
#include "core/util/FileUtils.h"
#include "viewer/ResultsExportWriter.h"

#include <new>

namespace {

// Counts what reaches the file, for the caller's figures.
class CountingSink : public ByteSink {
public:
    explicit CountingSink(ByteSink& inner) : inner_(inner) {}
    bool writeBytes(const char* data, size_t size) override {
        if (!inner_.writeBytes(data, size))
            return false;
        bytes += size;
        return true;
    }
    uint64_t bytes = 0;

private:
    ByteSink& inner_;
};

} // namespace

ExportResultsJob::ExportResultsJob(const std::wstring& targetPath, const std::wstring& targetLanguage,
                                   const std::vector<SearchResult>& results, TmxEntryProvider* provider)
    : targetPath_(targetPath), targetLanguage_(targetLanguage),
      adminLanguage_(Localization::instance().currentLanguageCode()), provider_(provider), results_(results) {}

void ExportResultsJob::run() {
    if (!provider_ || results_.empty())
        return;
    ReplacementFile file(targetPath_);
    try {
        if (!file.open()) {
            failed_ = true;
            return;
        }
        ResultsExportInput input;
        input.provider = provider_;
        input.targetLanguage = targetLanguage_;
        input.results = &results_;
        input.now = packedDateNow();
        input.adminLanguage = adminLanguage_;
        ResultsExportCount count;
        CountingSink sink(file);
        const bool written = writeResults(exportFormatFor(targetPath_), sink, input,
                                          [this](int percent) { reportProgress(percent); }, &count);
        entriesWritten_ = count.entriesWritten;
        bytesWritten_ = sink.bytes;
        failed_ = !written || !file.commit();
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
    if (failed_)
        file.abandon();
}
