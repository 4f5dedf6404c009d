#pragma once

// Helpers for the filter tests: UTF-8 conversion, an in-memory run of the filter, a reader that
// parses an output back, and a scratch folder.

#include "core/util/StringUtils.h"
#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"
#include "filter_tool/ByteSink.h"
#include "filter_tool/SiftonParser.h"
#include "filter_tool/Utf8Writer.h"

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace filtertest {

// Reference UTF-8 of well-formed UTF-16 text.
inline std::string utf8(const std::wstring& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint16_t>(text[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint16_t>(text[++i]) - 0xDC00);
        }
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

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

inline std::wstring dataPath(const wchar_t* name) {
    std::string folder = TEST_DATA_DIR;
    return std::wstring(folder.begin(), folder.end()) + L"\\" + name;
}

inline std::string readFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string bytes;
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0)
        bytes.append(block, got);
    CloseHandle(file);
    return bytes;
}

inline bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

inline bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A folder of its own under the temporary folder, removed with what it holds.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static unsigned counter = 0;
        path_ = std::wstring(base) + L"sifton-test-" + formatUnsigned(GetCurrentProcessId()) + L"-" +
                formatUnsigned(++counter);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name != L"." && name != L"..")
                    DeleteFileW((path_ + L"\\" + name).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::wstring file(const wchar_t* name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

} // namespace filtertest
