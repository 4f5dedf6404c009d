#pragma once

// Helpers for the filter tests: UTF-8 conversion, an in-memory run of the filter, a reader that
// parses an output back, and a scratch folder.

#include "core/tests/TestFiles.h"
#include "core/util/ByteSink.h"
#include "core/util/StringUtils.h"
#include "core/util/Utf8.h"
#include "core/util/Utf8Writer.h"
#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"
#include "filter_tool/SiftonParser.h"

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace filtertest {

// UTF-8 of UTF-16 text, through the programs' own (separately tested) encoder.
inline std::string utf8(const std::wstring& text) { return toUtf8(text); }

class MemorySink : public ByteSink {
public:
    std::string bytes;
    // Refuses every block once this many bytes were taken.
    size_t limit = static_cast<size_t>(-1);
    bool writeBytes(const char* data, size_t size) override {
        if (bytes.size() + size > limit)
            return false;
        bytes.append(data, size);
        return true;
    }
};

struct FilterRun {
    std::string output;
    int32_t units = 0;
    int32_t xmlError = 0;
    SiftonParser::Failure failure = SiftonParser::kFailureNone;
};

// Filters UTF-8 input held in memory (targetLanguage already normalised).
inline FilterRun filterBytes(const std::string& input, const std::wstring& targetLanguage,
                             bool removeProps) {
    XmlMemoryStream stream(input.data(), kXmlEncodingUtf8, static_cast<int32_t>(input.size()));
    MemorySink sink;
    Utf8Writer writer(sink);
    SiftonParser parser(writer, input.size(), targetLanguage, removeProps);
    parser.parse(stream);
    writer.finish();
    FilterRun run;
    run.output = sink.bytes;
    run.units = parser.unitsWritten();
    run.xmlError = parser.errorCode();
    run.failure = parser.failure();
    return run;
}

inline FilterRun filterText(const std::wstring& input, const std::wstring& targetLanguage,
                            bool removeProps = false) {
    return filterBytes(utf8(input), targetLanguage, removeProps);
}

// Reads a document back with the system's own reader and keeps what the tests look at.
class ReadBack : public XmlParser {
public:
    std::wstring declaredEncoding;
    std::vector<std::wstring> segments;
    std::vector<std::wstring> languages;
    int elements = 0;
    int props = 0;

    void processingInstruction(const std::wstring& target, const XmlAttributes& attributes) override {
        if (target == L"xml")
            declaredEncoding = attributes.get(L"encoding");
    }
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override {
        ++elements;
        if (name == L"prop")
            ++props;
        if (name == L"tuv")
            languages.push_back(attributes.get(L"xml:lang"));
        if (name == L"seg" && !isEmpty) {
            inSegment_ = true;
            segments.emplace_back();
        }
    }
    void endElement(const std::wstring& name, bool isEmpty) override {
        if (name == L"seg")
            inSegment_ = false;
    }
    void characterData(const std::wstring& text) override {
        if (inSegment_)
            segments.back() += text;
    }

private:
    bool inSegment_ = false;
};

// Parses a file with encoding detection; the reader's error code (0 when well-formed).
inline int32_t readBackFile(const std::wstring& path, ReadBack& reader) {
    XmlFileStream stream(path);
    reader.parse(stream);
    return stream.hadError() ? -1 : reader.errorCode();
}

inline int32_t readBackBytes(const std::string& bytes, ReadBack& reader) {
    XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
    reader.parse(stream);
    return stream.hadError() ? -1 : reader.errorCode();
}

using testfiles::dataPath;
using ScratchFolder = testfiles::TempDir;

} // namespace filtertest
