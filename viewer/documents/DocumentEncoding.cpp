#include "viewer/documents/DocumentEncoding.h"

#include "core/util/Utf8.h"
#include "core/xml/XmlStream.h"
#include "tmx_engine/SegmentRenderer.h"

#include <windows.h>

namespace {

void appendUtf16(std::string& out, const std::wstring& text, bool bigEndian) {
    out.reserve(out.size() + text.size() * 2);
    for (wchar_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>((unit >> 8) & 0xFF);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    }
}

// Converts text to the ANSI code page; false when any character had no exact form there.
bool toAnsiExactly(const wchar_t* text, int length, std::string& bytes) {
    if (length == 0) {
        bytes.clear();
        return true;
    }
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) {
        return false;
    }
    bytes.assign(static_cast<size_t>(size), '\0');
    BOOL usedDefault = FALSE;
    const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, &bytes[0],
                                            size, nullptr, &usedDefault);
    return written == size && !usedDefault;
}

void appendAnsi(std::string& out, const std::wstring& text, bool inCdata) {
    std::string bytes;
    if (toAnsiExactly(text.data(), static_cast<int>(text.size()), bytes)) {
        out += bytes;
        return;
    }
    // Character by character (a surrogate pair as one), so that only the characters the code
    // page lacks become references.
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        unsigned codePoint = text[i];
        if (codePoint >= 0xD800 && codePoint < 0xDC00 && i + 1 < text.size() &&
            text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            length = 2;
        }
        if (toAnsiExactly(text.data() + i, static_cast<int>(length), bytes)) {
            out += bytes;
        } else {
            const std::string reference = "&#" + std::to_string(codePoint) + ";";
            out += inCdata ? "]]>" + reference + "<![CDATA[" : reference;
        }
        i += length;
    }
}

} // namespace

bool appendEncodedText(std::string& out, const std::wstring& text, int32_t encoding,
                       bool inCdata) {
    switch (encoding) {
    case kXmlEncodingAnsi: appendAnsi(out, text, inCdata); return true;
    case kXmlEncodingUtf16Le: appendUtf16(out, text, false); return true;
    case kXmlEncodingUtf8: appendUtf8(out, text); return true;
    case kXmlEncodingUtf16Be: appendUtf16(out, text, true); return true;
    default: return false;
    }
}

std::string encodeTargetContent(const Segment& target, bool cdata, int32_t encoding) {
    std::string out;
    if (!cdata) {
        appendEncodedText(out, renderSegmentXml(target), encoding);
        return out;
    }
    // The text as it reads (tags as their markup), unescaped: a CDATA section holds it as is.
    const std::wstring text = targetCdataText(target);
    std::wstring section = L"<![CDATA[";
    for (size_t start = 0;;) {
        const size_t end = text.find(L"]]>", start);
        if (end == std::wstring::npos) {
            section.append(text, start, std::wstring::npos);
            break;
        }
        // "]]" closes this section before the '>', which opens the next one.
        section.append(text, start, end + 2 - start);
        section += L"]]><![CDATA[";
        start = end + 2;
    }
    section += L"]]>";
    // The section markers are ASCII; only the text between them can need references.
    const std::wstring open = L"<![CDATA[";
    const std::wstring close = L"]]>";
    appendEncodedText(out, open, encoding);
    appendEncodedText(out, section.substr(open.size(), section.size() - open.size() - close.size()),
                      encoding, true);
    appendEncodedText(out, close, encoding);
    return out;
}

std::wstring targetCdataText(const Segment& target) {
    std::wstring text;
    for (const SegmentElement& element : target) {
        if (element.isTag() || element.kind == SegmentElementKind::Placeholder) {
            text += renderSegmentXml(&element, 1);
        } else {
            text += element.text;
        }
    }
    return text;
}

int32_t markupUnitBytes(int32_t encoding) {
    return encoding == kXmlEncodingUtf16Le || encoding == kXmlEncodingUtf16Be ? 2 : 1;
}
