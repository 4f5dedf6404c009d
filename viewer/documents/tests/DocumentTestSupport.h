#pragma once

// Documents for the tests are written from wide text in each encoding a translator's tool may
// have used, so that one fixture covers all of them.

#include "core/tests/TestFiles.h"
#include "core/util/Utf8.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/SegmentRenderer.h"
#include "viewer/documents/BilingualDocument.h"
#include "viewer/documents/DocumentFactory.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

namespace doctest {

enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be, Ansi };

inline const char* encodingName(Encoding e) {
    switch (e) {
    case Encoding::Utf8: return "Utf8";
    case Encoding::Utf8Bom: return "Utf8Bom";
    case Encoding::Utf16Le: return "Utf16Le";
    case Encoding::Utf16Be: return "Utf16Be";
    case Encoding::Ansi: return "Ansi";
    }
    return "?";
}

inline void replaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The document in the encoding; "ENC" in the text stands for the declared encoding's name.
// Characters the ANSI code page lacks must not be in an ANSI fixture: they are what the writer
// turns into references, and the caller spells those out in its expectation.
inline std::string encode(std::wstring text, Encoding e) {
    replaceAll(text, L"ENC", e == Encoding::Ansi ? L"windows-1252"
                             : (e == Encoding::Utf16Le || e == Encoding::Utf16Be) ? L"utf-16"
                                                                                  : L"utf-8");
    std::string out;
    switch (e) {
    case Encoding::Utf8Bom:
        out = "\xEF\xBB\xBF";
        // fall through
    case Encoding::Utf8:
        out += toUtf8(text);
        return out;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        const bool big = e == Encoding::Utf16Be;
        out = big ? "\xFE\xFF" : "\xFF\xFE";
        for (wchar_t unit : text) {
            const char lo = static_cast<char>(unit & 0xFF);
            const char hi = static_cast<char>(unit >> 8);
            out.push_back(big ? hi : lo);
            out.push_back(big ? lo : hi);
        }
        return out;
    }
    case Encoding::Ansi: {
        const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
        out.assign(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                            nullptr, nullptr);
        return out;
    }
    }
    return out;
}

inline std::unique_ptr<TranslatableContentProvider> open(const std::wstring& path) {
    return openTranslatableDocument(path);
}

// The bytes as a document of the folder, opened; null (with a failure noted) when it is not.
inline std::unique_ptr<TranslatableContentProvider> openWritten(const testfiles::TempDir& dir, const std::wstring& name,
                                                                const std::string& bytes) {
    const std::wstring path = dir.file(name);
    EXPECT_TRUE(testfiles::writeText(path, bytes));
    auto document = open(path);
    if (!document || document->failed()) {
        ADD_FAILURE() << "the document does not open";
        return nullptr;
    }
    return document;
}

inline std::wstring plain(const Segment& segment) {
    return renderSegmentText(segment, false, false);
}

inline std::wstring sourceText(TranslatableContentProvider& d, int32_t row) {
    Segment s;
    d.getSource(row, s);
    return plain(s);
}

inline std::wstring targetText(TranslatableContentProvider& d, int32_t row) {
    Segment s;
    d.getTarget(row, s);
    return plain(s);
}

inline std::wstring targetMarkup(TranslatableContentProvider& d, int32_t row) {
    Segment s;
    d.getTarget(row, s);
    return renderSegmentXml(s);
}

inline Segment textSegment(const std::wstring& text) {
    Segment s;
    appendSegmentText(s, text);
    return s;
}

// Files in a folder besides the given one: a save must leave nothing behind.
inline size_t fileCount(const testfiles::TempDir& dir) {
    return dir.names().size();
}

} // namespace doctest
