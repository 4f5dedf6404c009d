#pragma once

#include "core/util/ByteSink.h"

#include <cstdint>
#include <functional>
#include <string>

// The outcome of one filtering run.
struct TmxFilterResult {
    // 0 on success; otherwise an XML reader error code (XmlError), kXmlErrorIo when a file could
    // not be read or written, kXmlErrorTagBalance for a cut-off document, kXmlErrorBlockTooLarge
    // for a translation unit beyond the buffer's limit.
    int32_t errorCode = 0;
    // Unit index in the input at which the error was found, -1 when there is none.
    int64_t errorPosition = -1;
    // "(" + position + ") " + the error's text; only the text when there is no position. Empty on
    // success.
    std::wstring errorMessage;
    int32_t unitsWritten = 0;
    uint64_t inputBytes = 0;
    uint64_t outputBytes = 0;

    bool succeeded() const { return errorCode == 0; }
};

// How a run reads a large input on several threads (tests and benchmarks).
struct TmxFilterThreads {
    // 0: one per processor, at most 8; 1 reads every file in one pass on the calling thread.
    uint32_t threads = 0;
    // Nominal size of a piece: it ends at the first translation unit at or after it.
    uint32_t pieceBytes = 256u << 10;
    // Smaller inputs are read in one pass.
    uint64_t minFileBytes = 8u << 20;
};

// Streams the TMX file at inputPath into output as a new TMX file that keeps, in each
// translation unit, the variants in the source language and in targetLanguage (as the user
// typed it; trimmed and normalised here; empty keeps every variant), without prop elements when
// removeProps is set. onProgress, when given, receives the percent 0 to 100 each time it
// changes, on the calling thread. Whatever was written stays in output, after a failure too:
// the caller commits or drops it. No exception leaves this function.
TmxFilterResult filterTmxInto(const std::wstring& inputPath, ByteSink& output,
                              const std::wstring& targetLanguage, bool removeProps,
                              const std::function<void(unsigned)>& onProgress = {},
                              const TmxFilterThreads& threading = {});

// The same into the file at outputPath, which is replaced only by a complete run: after a
// failure an existing file there is left as it was and nothing is left beside it. An output
// path that names the input file is refused before anything is written.
TmxFilterResult filterTmxFile(const std::wstring& inputPath, const std::wstring& outputPath,
                              const std::wstring& targetLanguage, bool removeProps,
                              const std::function<void(unsigned)>& onProgress = {});
