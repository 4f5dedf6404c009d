// stages FILE.tmx [--reading]: how the time of an index build splits over its stages. First each
// reading stage alone on one thread: reading the bytes, the XML reader with no callbacks, the XML
// reader with the source segments tokenized as the index builder's parser does, and the index
// builder's own parser with every entry summarised as its reading threads summarise it; then
// (unless --reading) a whole build with the moments it reaches each of its steps.

#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlParser.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxEntrySink.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/TmxParser.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"

#include <windows.h>

#include <thread>
#include <unordered_map>
#include <vector>

namespace {

using namespace bench;

class NoOpParser : public XmlParser {};

// The index parser's work on the text: every seg's text cut into tokens.
class TokenizingParser : public XmlParser {
public:
    uint64_t tokens = 0;

private:
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override {
        if (inSeg_) {
            appendSegmentStartTag(segment_, name, attributes, isEmpty, false);
        } else if (name == L"seg") {
            // As the index parser does: only the first (source) variant's text is cut.
            inSeg_ = firstTuv_;
            segment_.clear();
        } else if (name == L"tuv") {
            firstTuv_ = !sawTuv_;
            sawTuv_ = true;
        } else if (name == L"tu") {
            sawTuv_ = false;
        }
    }
    void endElement(const std::wstring& name, bool isEmpty) override {
        if (!inSeg_)
            return;
        if (name == L"seg") {
            inSeg_ = false;
            tokens += segment_.size();
        } else {
            appendSegmentEndTag(segment_, name, isEmpty);
        }
    }
    void characterData(const std::wstring& text) override {
        if (inSeg_)
            appendSegmentText(segment_, text);
    }
    void cdata(const std::wstring& text) override { characterData(text); }

    bool inSeg_ = false;
    bool sawTuv_ = false;
    bool firstTuv_ = false;
    Segment segment_;
};

// What the reading threads of a build do with each entry the parser hands on: its summary and
// term words, kept until a chunk's worth is reached and then dropped.
class SummarisingSink : public TmxEntrySink {
public:
    uint64_t entries = 0;
    uint64_t words = 0;

    TmxHeader& header() override { return header_; }
    uint16_t languageMode() const override { return 1; }
    void enterLanguage(const std::wstring& code) override {
        languages_.emplace(code, static_cast<wchar_t>(TmxIndexBuilder::kFirstLanguagePrefix + languages_.size()));
    }
    wchar_t prefixOf(const std::wstring& code) override {
        const auto it = languages_.find(code);
        return it == languages_.end() ? 0 : it->second;
    }
    void addEntry(const std::wstring& language, const std::vector<SegmentElement>& segment, wchar_t,
                  uint32_t) override {
        if (segment.empty() || language != header_.srcLang)
            return;
        if (words_.size() >= 131072) {
            words += words_.size();
            words_.clear();
            text_.clear();
        }
        TmxIndexBuilder::summarise(segment, words_, text_);
        ++entries;
    }
    void repeatEntry(const std::wstring&, const std::vector<SegmentElement>&, wchar_t, uint32_t) override {
        ++entries;
    }

private:
    TmxHeader header_;
    std::unordered_map<std::wstring, wchar_t> languages_;
    std::vector<IndexChunk::Word> words_;
    std::vector<wchar_t> text_;
};

double readSeconds(const std::wstring& path) {
    Stopwatch watch;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    std::vector<char> block(1 << 20);
    DWORD got = 0;
    while (ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got > 0) {
    }
    CloseHandle(file);
    return watch.microseconds() / 1e6;
}

template <class Parser>
double parseSeconds(const std::wstring& path, Parser& parser) {
    Stopwatch watch;
    XmlFileStream stream(path, 0);
    parser.parse(stream);
    return watch.microseconds() / 1e6;
}

} // namespace

int commandStages(const std::vector<std::wstring>& arguments) {
    std::vector<std::wstring> args = arguments;
    const bool readingOnly = args.size() == 2 && args[1] == L"--reading";
    if (readingOnly)
        args.pop_back();
    if (args.size() != 1)
        return -1;
    const std::wstring& path = args[0];
    const double mb = megabytes(fileSize(path));
    // The build runs a reading thread and a term thread per processor (at most 8 of each).
    print("processors", static_cast<uint64_t>(std::thread::hardware_concurrency()));
    const double read = readSeconds(path);
    NoOpParser plain;
    const double xml = parseSeconds(path, plain);
    TokenizingParser tokenizing;
    const double tokenized = parseSeconds(path, tokenizing);
    print("read_s", fixed(read, 2));
    print("xml_s", fixed(xml, 2));
    print("xml_mb_per_s", fixed(mb / xml, 1));
    print("xml_and_tokens_s", fixed(tokenized, 2));
    print("tokens", tokenizing.tokens);
    SummarisingSink sink;
    TmxParser indexParser(sink);
    const double indexParsing = parseSeconds(path, indexParser);
    print("index_parser_s", fixed(indexParsing, 2));
    print("index_parser_entries", sink.entries);
    if (readingOnly)
        return 0;

    // The whole build, with the moments its steps are reached.
    const std::wstring indexPath = path + L".idx";
    DeleteFileW(indexPath.c_str());
    Stopwatch watch;
    double parseEnded = 0;
    double writing = 0;
    double reopening = 0;
    TmxFile file;
    file.setStepObserver([&](IndexBuildStep step) {
        if (step == IndexBuildStep::ParseEnded)
            parseEnded = watch.microseconds() / 1e6;
        else if (step == IndexBuildStep::Writing)
            writing = watch.microseconds() / 1e6;
        else if (step == IndexBuildStep::Reopening)
            reopening = watch.microseconds() / 1e6;
    });
    const LoadCode code = file.load(path);
    const double total = watch.microseconds() / 1e6;
    print("load_code", static_cast<uint64_t>(code));
    print("build_parse_s", fixed(parseEnded, 2));
    print("build_terms_drain_s", fixed(writing - parseEnded, 2));
    print("build_write_s", fixed(reopening - writing, 2));
    print("build_reopen_s", fixed(total - reopening, 2));
    print("build_total_s", fixed(total, 2));
    return 0;
}
