#pragma once

// Helpers for the group and loader tests: small TMX files and group files.

#include "core/tests/TestFiles.h"
#include "core/util/StringUtils.h"
#include "core/util/Utf8.h"

#include <windows.h>

#include <string>
#include <vector>

namespace grouptest {

inline std::string utf8(const std::wstring& text) { return toUtf8(text); }

using ScratchFolder = testfiles::TempDir;
using testfiles::exists;
using testfiles::readText;
using testfiles::writeText;

// A small TMX file with one unit per source text, each translated into every target language as
// "<text> [<language>]".
inline std::string tmxText(const std::wstring& srclang, const std::vector<std::wstring>& sources,
                           const std::vector<std::wstring>& targets) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n"
                        L"<header creationtool=\"test\" creationtoolversion=\"1\" o-tmf=\"t\" "
                        L"datatype=\"plaintext\" segtype=\"sentence\" adminlang=\"en-US\" srclang=\"" +
                        srclang + L"\"/>\n<body>\n";
    for (const std::wstring& source : sources) {
        text += L"<tu><tuv xml:lang=\"" + srclang + L"\"><seg>" + source + L"</seg></tuv>";
        for (const std::wstring& target : targets)
            text += L"<tuv xml:lang=\"" + target + L"\"><seg>" + source + L" [" + target + L"]</seg></tuv>";
        text += L"</tu>\n";
    }
    text += L"</body>\n</tmx>\n";
    return utf8(text);
}

} // namespace grouptest
