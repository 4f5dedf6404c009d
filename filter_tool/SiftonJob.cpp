#include "filter_tool/SiftonJob.h"

#include "core/xml/XmlParser.h"
#include "filter_tool/TmxFilter.h"

#include <windows.h>

#include <new>

SiftonJob::SiftonJob(const std::wstring& inputPath, const std::wstring& outputPath,
                     const std::wstring& targetLanguage, bool removeProps)
    : inputPath_(inputPath), outputPath_(outputPath), targetLanguage_(targetLanguage),
      removeProps_(removeProps) {}

void SiftonJob::run() {
    std::wstring written;
    try {
        written = temporaryPath(outputPath_);
        const TmxFilterResult result = filterTmxFile(
            inputPath_, written, targetLanguage_, removeProps_,
            [this](unsigned percent) { reportProgress(static_cast<int>(percent)); });
        errorCode_ = result.errorCode;
        errorMessage_ = result.errorMessage;
        unitsWritten_ = result.unitsWritten;

        if (errorCode_ != 0 || unitsWritten_ == 0) {
            DeleteFileW(written.c_str());
            return;
        }
        // One replacing move: when the output is the input, the input is never deleted before
        // its filtered copy has taken its place.
        if (!MoveFileExW(written.c_str(), outputPath_.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileW(written.c_str());
            errorCode_ = kXmlErrorIo;
            errorMessage_ = L"The filtered file could not be saved under its name";
            unitsWritten_ = 0;
        }
    } catch (const std::bad_alloc&) {
        if (!written.empty())
            DeleteFileW(written.c_str());
        errorCode_ = kXmlErrorParserSpecific;
        errorMessage_ = L"Not enough memory";
        unitsWritten_ = 0;
    }
}
