#include "filter_tool/TmxFilter.h"

#include "core/events/HandlerHolder.h"
#include "core/util/FileByteSink.h"
#include "core/util/FileUtils.h"
#include "core/util/StringUtils.h"
#include "core/util/Utf8Writer.h"
#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlParser.h"
#include "filter_tool/SiftonParser.h"

#include <windows.h>

#include <new>

namespace {

// Forwards the parser's progress event to the caller's function.
class ProgressRelay {
public:
    explicit ProgressRelay(const std::function<void(unsigned)>& target) : target_(target) {}
    void onProgress(unsigned percent) { target_(percent); }

    HandlerHolder holder;

private:
    const std::function<void(unsigned)>& target_;
};

// A handle on the input that only reads its identity, so that the output can be checked
// against it.
class IdentityHandle {
public:
    explicit IdentityHandle(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~IdentityHandle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    IdentityHandle(const IdentityHandle&) = delete;
    IdentityHandle& operator=(const IdentityHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool fileSize(HANDLE file, uint64_t& size) {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(file, &value))
        return false;
    size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

void setError(TmxFilterResult& result, int32_t code, int32_t position, const std::wstring& text) {
    result.errorCode = code;
    result.errorPosition = position;
    result.errorMessage.clear();
    if (position >= 0)
        result.errorMessage = L"(" + formatUnsigned(static_cast<uint32_t>(position)) + L") ";
    result.errorMessage += text;
}

// Streams the input into output. The output is neither finished nor committed: the caller does
// that once it knows whether the run succeeded.
TmxFilterResult run(const std::wstring& inputPath, ByteSink& output, const std::wstring& targetLanguage,
                    bool removeProps, const std::function<void(unsigned)>& onProgress) {
    TmxFilterResult result;
    IdentityHandle input(inputPath);
    if (input.get() == INVALID_HANDLE_VALUE || !fileSize(input.get(), result.inputBytes)) {
        setError(result, kXmlErrorIo, -1, L"The input file cannot be opened");
        return result;
    }
    XmlFileStream fileStream(inputPath);
    if (fileStream.hadError()) {
        setError(result, kXmlErrorIo, -1, L"The input file cannot be read");
        return result;
    }
    Utf8Writer writer(output);
    SiftonParser parser(writer, result.inputBytes, trimAndNormalizeLanguage(targetLanguage),
                        removeProps);
    ProgressRelay relay(onProgress);
    if (onProgress)
        relay.holder.connect(parser.progress, &relay, &ProgressRelay::onProgress);

    parser.parse(fileStream);
    result.unitsWritten = parser.unitsWritten();
    const bool written = writer.finish();
    result.outputBytes = writer.bytesWritten();

    if (parser.errorCode() != 0) {
        setError(result, parser.errorCode(), parser.errorPosition(), xmlErrorText(parser.errorCode()));
    } else if (parser.failure() == SiftonParser::kFailureUnitTooLarge) {
        setError(result, kXmlErrorBlockTooLarge, parser.failurePosition(),
                 L"A translation unit holds more than 64 MiB of text (is its end tag missing?)");
    } else if (parser.failure() == SiftonParser::kFailureUnclosedElements) {
        setError(result, kXmlErrorTagBalance, parser.failurePosition(),
                 parser.failurePosition() >= 0
                     ? L"The file ends inside this translation unit"
                     : L"The file ends before all of its elements are closed");
    } else if (parser.failure() == SiftonParser::kFailureOutput || !written) {
        setError(result, kXmlErrorIo, -1, L"The output file cannot be written (is the disk full?)");
    }
    return result;
}

TmxFilterResult notEnoughMemory() {
    TmxFilterResult result;
    setError(result, kXmlErrorParserSpecific, -1, L"Not enough memory");
    return result;
}

// True when path names an existing file that is the input (another spelling, a link).
bool namesInput(const std::wstring& path, const std::wstring& inputPath) {
    const IdentityHandle output(path);
    const IdentityHandle input(inputPath);
    return output.get() != INVALID_HANDLE_VALUE && input.get() != INVALID_HANDLE_VALUE &&
           isSameFile(output.get(), input.get());
}

} // namespace

TmxFilterResult filterTmxInto(const std::wstring& inputPath, ByteSink& output,
                              const std::wstring& targetLanguage, bool removeProps,
                              const std::function<void(unsigned)>& onProgress) {
    try {
        return run(inputPath, output, targetLanguage, removeProps, onProgress);
    } catch (const std::bad_alloc&) {
        return notEnoughMemory();
    }
}

TmxFilterResult filterTmxFile(const std::wstring& inputPath, const std::wstring& outputPath,
                              const std::wstring& targetLanguage, bool removeProps,
                              const std::function<void(unsigned)>& onProgress) {
    try {
        TmxFilterResult result;
        if (namesInput(outputPath, inputPath)) {
            setError(result, kXmlErrorIo, -1, L"The output file is the input file");
            return result;
        }
        ReplacementFile output(outputPath);
        if (!output.open()) {
            setError(result, kXmlErrorIo, -1, L"The output file cannot be created");
            return result;
        }
        result = run(inputPath, output, targetLanguage, removeProps, onProgress);
        if (result.succeeded() && !output.commit())
            setError(result, kXmlErrorIo, -1, L"The output file cannot be written (is the disk full?)");
        return result;
    } catch (const std::bad_alloc&) {
        return notEnoughMemory();
    }
}
