#include "filter_tool/TmxFilter.h"

#include "core/events/HandlerHolder.h"
#include "core/util/FileByteSink.h"
#include "core/util/FileUtils.h"
#include "core/util/StringUtils.h"
#include "core/util/Utf8Writer.h"
#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlParser.h"
#include "core/xml/XmlPieces.h"
#include "filter_tool/RestOfFileStream.h"
#include "filter_tool/SiftonParser.h"

#include <windows.h>

#include <memory>
#include <new>

namespace {

// Forwards the parsers' progress to the caller's function, each percent once and only rising (a
// file whose pieces end early is read on by another parser).
class ProgressRelay {
public:
    explicit ProgressRelay(const std::function<void(unsigned)>& target) : target_(target) {}
    void onProgress(unsigned percent) {
        if (!target_ || static_cast<int64_t>(percent) <= last_)
            return;
        last_ = percent;
        target_(percent);
    }
    // The holder must die before the parser.
    void listen(SiftonParser& parser, HandlerHolder& holder) {
        if (target_)
            holder.connect(parser.progress, this, &ProgressRelay::onProgress);
    }

private:
    const std::function<void(unsigned)>& target_;
    int64_t last_ = -1;
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

void setError(TmxFilterResult& result, int32_t code, int64_t position, const std::wstring& text) {
    result.errorCode = code;
    result.errorPosition = position;
    result.errorMessage.clear();
    if (position >= 0)
        result.errorMessage = L"(" + formatUnsigned(static_cast<uint64_t>(position)) + L") ";
    result.errorMessage += text;
}

// Collects encoded bytes in memory.
class StringSink : public ByteSink {
public:
    explicit StringSink(std::string& bytes) : bytes_(bytes) {}
    bool writeBytes(const char* data, size_t size) override {
        bytes_.append(data, size);
        return true;
    }

private:
    std::string& bytes_;
};

// How the reading ended, whichever parser read the end.
struct ReadResult {
    int32_t errorCode = 0;
    int64_t errorPosition = -1;
    SiftonParser::Failure failure = SiftonParser::kFailureNone;
    int64_t failurePosition = -1;
    int32_t unitsWritten = 0;

    void takeFrom(const SiftonParser& parser) {
        errorCode = parser.errorCode();
        errorPosition = parser.errorPosition();
        failure = parser.failure();
        failurePosition = parser.failurePosition();
        unitsWritten += parser.unitsWritten();
    }
};

struct FilterSettings {
    std::wstring inputPath;
    std::wstring targetLanguage; // normalised
    bool removeProps;
    TmxFilterThreads threading;
};

struct CopiedPiece : XmlPieceReader::Piece {
    std::string output; // UTF-8
    int64_t units = 0;
    int32_t unitsWritten = 0;
    bool usable = false;
};

// A file without a unit in its first bytes gains nothing from threads.
constexpr uint32_t kMaxHeadBytes = 64u << 20;

// Reads the file in pieces on several threads into the writer, in file order. False, with
// nothing written, when the file is not read so (small, or its head does not end between
// units); a piece that does not read on its own ends the threads' part, and one parser reads the
// rest of the file from it on, just as one pass over the whole file would.
bool readInPieces(const FilterSettings& settings, Utf8Writer& writer, ProgressRelay& relay, ReadResult& result) {
    XmlPieceReader reader(settings.inputPath, "tu");
    const uint32_t threads = settings.threading.threads ? settings.threading.threads : XmlPieceReader::defaultThreads();
    if (!reader.good() || reader.fileSize() < settings.threading.minFileBytes || threads < 2)
        return false;
    const int32_t encoding = reader.encoding();
    const uint64_t totalSize = reader.fileSize();

    CopiedPiece head;
    if (!reader.readHead(kMaxHeadBytes, head))
        return false;
    SiftonParser::Layout layout;
    int64_t units = 0;
    {
        StringSink sink(head.output);
        Utf8Writer headWriter(sink);
        SiftonParser parser(headWriter, totalSize, settings.targetLanguage, settings.removeProps);
        HandlerHolder progress;
        relay.listen(parser, progress);
        XmlPieceStream stream(head.bytes, encoding, head.offset);
        parser.setMoreToFollow(true);
        if (!parser.parse(stream) || stream.hadError() || !stream.readToEnd() || !parser.betweenUnits() ||
            !headWriter.finish() || !parser.layout().declarationWritten)
            return false;
        layout = parser.layout();
        units = parser.unitIndex();
        result.unitsWritten = parser.unitsWritten();
    }
    writer.writeEncoded(head.output.data(), head.output.size());
    uint64_t next = head.offset + head.bytes.size();

    const XmlPieceReader::Outcome outcome = reader.run(
        threads, settings.threading.pieceBytes, nullptr, [] { return std::make_unique<CopiedPiece>(); },
        [&](XmlPieceReader::Piece& base, const std::atomic<bool>& abandon) {
            CopiedPiece& piece = static_cast<CopiedPiece&>(base);
            piece.usable = false;
            try {
                piece.output.clear();
                StringSink sink(piece.output);
                Utf8Writer pieceWriter(sink);
                SiftonParser parser(pieceWriter, 0, settings.targetLanguage, settings.removeProps);
                parser.continueFrom(layout);
                parser.setMoreToFollow(!piece.last);
                parser.setStopFlag(&abandon);
                XmlPieceStream stream(piece.bytes, encoding, piece.offset);
                const bool parsed = parser.parse(stream);
                piece.usable = parsed && !stream.hadError() && stream.readToEnd() && parser.failure() == SiftonParser::kFailureNone &&
                               pieceWriter.finish() && (piece.last || (parser.betweenUnits() && parser.layout() == layout));
                piece.units = parser.unitIndex();
                piece.unitsWritten = parser.unitsWritten();
            } catch (const std::exception&) {
                piece.usable = false;
            }
        },
        [&](XmlPieceReader::Piece& base) {
            CopiedPiece& piece = static_cast<CopiedPiece&>(base);
            if (!piece.usable || writer.failed())
                return false;
            writer.writeEncoded(piece.output.data(), piece.output.size());
            units += piece.units;
            result.unitsWritten += piece.unitsWritten;
            next = piece.offset + piece.bytes.size();
            relay.onProgress(static_cast<unsigned>(next >= totalSize ? 100 : next * 100 / totalSize));
            return true;
        });
    if (outcome == XmlPieceReader::Outcome::Done || writer.failed()) {
        if (writer.failed())
            result.failure = SiftonParser::kFailureOutput;
        return true;
    }
    // The rest in one pass, from where the pieces ended.
    RestOfFileStream rest(settings.inputPath, encoding, next);
    if (!rest.opened()) {
        // Not read as a document that ends there: the copy would lack the rest.
        result.errorCode = kXmlErrorIo;
        return true;
    }
    SiftonParser parser(writer, totalSize, settings.targetLanguage, settings.removeProps);
    HandlerHolder progress;
    relay.listen(parser, progress);
    parser.continueFrom(layout);
    parser.setFirstUnitIndex(units);
    parser.parse(rest);
    result.takeFrom(parser);
    return true;
}

// Streams the input into output. The output is neither finished nor committed: the caller does
// that once it knows whether the run succeeded.
TmxFilterResult run(const std::wstring& inputPath, ByteSink& output, const std::wstring& targetLanguage,
                    bool removeProps, const std::function<void(unsigned)>& onProgress,
                    const TmxFilterThreads& threading) {
    TmxFilterResult result;
    IdentityHandle input(inputPath);
    if (input.get() == INVALID_HANDLE_VALUE || !fileSize(input.get(), result.inputBytes)) {
        setError(result, kXmlErrorIo, -1, L"The input file cannot be opened");
        return result;
    }
    FilterSettings settings{inputPath, trimAndNormaliseLanguageCode(targetLanguage), removeProps, threading};
    Utf8Writer writer(output);
    ProgressRelay relay(onProgress);
    ReadResult read;
    if (!readInPieces(settings, writer, relay, read)) {
        XmlFileStream fileStream(inputPath);
        if (fileStream.hadError()) {
            setError(result, kXmlErrorIo, -1, L"The input file cannot be read");
            return result;
        }
        SiftonParser parser(writer, result.inputBytes, settings.targetLanguage, removeProps);
        HandlerHolder progress;
        relay.listen(parser, progress);
        parser.parse(fileStream);
        read.takeFrom(parser);
    }
    result.unitsWritten = read.unitsWritten;
    const bool written = writer.finish();
    result.outputBytes = writer.bytesWritten();

    if (read.errorCode != 0) {
        setError(result, read.errorCode, read.errorPosition, xmlErrorText(read.errorCode));
    } else if (read.failure == SiftonParser::kFailureUnitTooLarge) {
        setError(result, kXmlErrorBlockTooLarge, read.failurePosition,
                 L"A translation unit holds more than 64 MiB of text (is its end tag missing?)");
    } else if (read.failure == SiftonParser::kFailureUnclosedElements) {
        setError(result, kXmlErrorTagBalance, read.failurePosition,
                 read.failurePosition >= 0
                     ? L"The file ends inside this translation unit"
                     : L"The file ends before all of its elements are closed");
    } else if (read.failure == SiftonParser::kFailureOutput || !written) {
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
                              const std::function<void(unsigned)>& onProgress,
                              const TmxFilterThreads& threading) {
    try {
        return run(inputPath, output, targetLanguage, removeProps, onProgress, threading);
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
        result = run(inputPath, output, targetLanguage, removeProps, onProgress, TmxFilterThreads());
        if (result.succeeded() && !output.commit())
            setError(result, kXmlErrorIo, -1, L"The output file cannot be written (is the disk full?)");
        return result;
    } catch (const std::bad_alloc&) {
        return notEnoughMemory();
    }
}
