#pragma once

// Helpers shared by the XML reader tests: a parser that records its callbacks as text lines,
// and streams built from byte strings.

#include "core/util/Utf8.h"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace xmltest {

// One line per callback, e.g. "start x {a=1} empty @0+4 #0", so that a test compares a whole
// parse with one expectation.
class RecordingParser : public XmlParser {
public:
    std::vector<std::wstring> events;
    bool withPositions = false;

    void processingInstruction(const std::wstring& target, const XmlAttributes& attributes) override {
        record(L"pi " + target + L" " + attributesText(attributes));
    }
    void comment(const std::wstring& text) override { record(L"comment [" + text + L"]"); }
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override {
        record(L"start " + name + L" " + attributesText(attributes) + (isEmpty ? L" empty" : L""));
    }
    void endElement(const std::wstring& name, bool isEmpty) override {
        record(L"end " + name + (isEmpty ? L" empty" : L""));
    }
    void characterData(const std::wstring& text) override { record(L"text [" + text + L"]"); }
    void cdata(const std::wstring& text) override { record(L"cdata [" + text + L"]"); }
    void onDocumentEnd() override { events.push_back(L"done"); }
    void onParseError() override { events.push_back(L"error"); }

    std::wstring joined() const {
        std::wstring all;
        for (const std::wstring& event : events) {
            if (!all.empty()) {
                all += L" | ";
            }
            all += event;
        }
        return all;
    }

private:
    static std::wstring attributesText(const XmlAttributes& attributes) {
        std::wstring text = L"{";
        for (size_t i = 0; i < attributes.size(); ++i) {
            if (i > 0) {
                text += L",";
            }
            text += attributes.nameAt(i) + L"=" + attributes.valueAt(i);
        }
        return text + L"}";
    }
    void record(std::wstring line) {
        if (withPositions) {
            line += L" @" + std::to_wstring(markupStart()) + L"+" + std::to_wstring(markupLength()) +
                    L" #" + std::to_wstring(markupByteOffset());
        }
        events.push_back(line);
    }
};

// UTF-8 of UTF-16 text, through the programs' own (separately tested) encoder.
inline std::string utf8(const std::wstring& text) { return toUtf8(text); }

// Parses UTF-8 text held in memory and returns the recorded callbacks.
inline std::wstring parseText(const std::wstring& text, bool withPositions = false,
                              int32_t* errorCode = nullptr) {
    const std::string bytes = utf8(text);
    XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
    RecordingParser parser;
    parser.withPositions = withPositions;
    parser.parse(stream);
    if (errorCode != nullptr) {
        *errorCode = parser.errorCode();
    }
    return parser.joined();
}

// Delivers a byte string in blocks of at most a given size, as a file would.
class BytesSupplier : public XmlMemoryStream::BlockSupplier {
public:
    explicit BytesSupplier(std::string bytes, int32_t largestRead = 1 << 30)
        : bytes_(std::move(bytes)), largestRead_(largestRead) {}
    int32_t read(uint8_t* dest, int32_t room) override {
        const size_t count = std::min<size_t>({static_cast<size_t>(room), bytes_.size() - offset_,
                                               static_cast<size_t>(largestRead_)});
        std::copy(bytes_.begin() + offset_, bytes_.begin() + offset_ + count, dest);
        offset_ += count;
        return static_cast<int32_t>(count);
    }

private:
    std::string bytes_;
    int32_t largestRead_;
    size_t offset_ = 0;
};

} // namespace xmltest
