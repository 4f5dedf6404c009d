#pragma once

#include "core/threads/Job.h"

#include <cstdint>
#include <string>

// One filtering of a TMX file on a job thread. The results are read by the finished handler on
// the GUI thread, after run() has returned.
//
// The copy is always written to a fresh temporary file beside the output, flushed, and moved onto
// the output only after a run that succeeded and kept at least one translation unit. So a failed
// run, or a crash, leaves an existing output file, and the input when the two are the same,
// exactly as they were.
class SiftonJob : public Job {
public:
    SiftonJob(const std::wstring& inputPath, const std::wstring& outputPath,
              const std::wstring& targetLanguage, bool removeProps);

    void run() override;

    // 0 on success; otherwise the XML reader's error code (kXmlErrorIo for file problems).
    int32_t errorCode() const { return errorCode_; }
    // "(" + position + ") " + the error's text; empty on success.
    const std::wstring& errorMessage() const { return errorMessage_; }
    int32_t unitsWritten() const { return unitsWritten_; }

private:
    std::wstring inputPath_;
    std::wstring outputPath_;
    std::wstring targetLanguage_;
    bool removeProps_;
    int32_t errorCode_ = 0;
    std::wstring errorMessage_;
    int32_t unitsWritten_ = 0;
};
