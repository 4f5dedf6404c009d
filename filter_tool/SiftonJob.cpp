#include "filter_tool/SiftonJob.h"

#include "core/util/FileUtils.h"
#include "core/xml/XmlParser.h"
#include "filter_tool/TmxFilter.h"

#include <new>

SiftonJob::SiftonJob(const std::wstring& inputPath, const std::wstring& outputPath,
                     const std::wstring& targetLanguage, bool removeProps)
    : inputPath_(inputPath), outputPath_(outputPath), targetLanguage_(targetLanguage),
      removeProps_(removeProps) {}

void SiftonJob::run() {
    try {
        // When the output is the input, the input is never touched before its filtered copy
        // takes its place in the one replacing move of the commit.
        ReplacementFile output(outputPath_);
        if (!output.open()) {
            errorCode_ = kXmlErrorIo;
            errorMessage_ = L"The output file cannot be created";
            unitsWritten_ = 0;
            return;
        }
        const TmxFilterResult result = filterTmxInto(
            inputPath_, output, targetLanguage_, removeProps_,
            [this](unsigned percent) { reportProgress(static_cast<int>(percent)); });
        errorCode_ = result.errorCode;
        errorMessage_ = result.errorMessage;
        unitsWritten_ = result.unitsWritten;

        // A run that kept nothing leaves no file (the output goes with the ReplacementFile).
        if (errorCode_ != 0 || unitsWritten_ == 0)
            return;
        if (!output.commit()) {
            errorCode_ = kXmlErrorIo;
            errorMessage_ = L"The filtered file could not be saved under its name";
            unitsWritten_ = 0;
        }
    } catch (const std::bad_alloc&) {
        errorCode_ = kXmlErrorParserSpecific;
        errorMessage_ = L"Not enough memory";
        unitsWritten_ = 0;
    }
}
