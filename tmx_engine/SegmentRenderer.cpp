#include "tmx_engine/SegmentRenderer.h"

#include "core/xml/XmlEntities.h"

namespace {

const size_t kReservedUnits = 1024;

// The length of a character reference or predefined entity reference at text[pos] ('&'), or
// 0 when none starts there. Other named references would make the markup depend on a DTD.
size_t referenceLength(const wchar_t* text, size_t length, size_t pos) {
    static const wchar_t* const kPredefined[] = {L"&amp;", L"&lt;", L"&gt;", L"&quot;", L"&apos;"};
    for (const wchar_t* name : kPredefined) {
        size_t n = 0;
        while (name[n] != L'\0' && pos + n < length && text[pos + n] == name[n])
            ++n;
        if (name[n] == L'\0')
            return n;
    }
    size_t i = pos + 1;
    if (i >= length || text[i] != L'#')
        return 0;
    ++i;
    const bool hex = i < length && text[i] == L'x';
    if (hex)
        ++i;
    const size_t digitsStart = i;
    while (i < length && ((text[i] >= L'0' && text[i] <= L'9') ||
                          (hex && ((text[i] >= L'a' && text[i] <= L'f') ||
                                   (text[i] >= L'A' && text[i] <= L'F')))))
        ++i;
    return i > digitsStart && i < length && text[i] == L';' ? i + 1 - pos : 0;
}

// Escapes an attribute value: '&', '<', the quote (when not '\0'), and TAB, LF and CR, which a
// reader would give back as blanks. With keepReferences, references already in the text stay as
// they are, so text escaped once is not escaped again.
void appendEscapedValue(std::wstring& out, const wchar_t* value, size_t length, wchar_t quote,
                        bool keepReferences) {
    const unsigned set = kXmlEscapeAmpLt | kXmlEscapeCr | kXmlEscapeTabLf |
                         (quote == L'"' ? kXmlEscapeQuot : quote == L'\'' ? kXmlEscapeApos : 0);
    size_t runStart = 0;
    for (size_t i = 0; i < length; ++i) {
        if (value[i] != L'&')
            continue;
        escapeXml(out, value + runStart, i - runStart, set);
        const size_t reference = keepReferences ? referenceLength(value, length, i) : 0;
        if (reference != 0) {
            out.append(value + i, reference);
            i += reference - 1;
        } else {
            out += L"&amp;";
        }
        runStart = i + 1;
    }
    escapeXml(out, value + runStart, length - runStart, set);
}

bool isNameUnit(wchar_t c) {
    return c != L' ' && c != L'=' && c != L'"' && c != L'\'' && c != L'<' && c != L'>' &&
           c != L'&' && c != L'\t' && c != L'\r' && c != L'\n' && c != L'\0';
}

// True when the attribute text continues at `pos` with another ` name=` followed by a quote,
// or ends there.
bool attributeBoundary(const std::wstring& text, size_t pos) {
    if (pos == text.size())
        return true;
    if (text[pos] != L' ')
        return false;
    size_t i = pos + 1;
    size_t nameStart = i;
    while (i < text.size() && isNameUnit(text[i]))
        ++i;
    return i > nameStart && i + 1 < text.size() && text[i] == L'=' &&
           (text[i + 1] == L'"' || text[i + 1] == L'\'');
}

// The attribute text of a tag holds each attribute as ` name=QvalueQ`, the value quoted with an
// apostrophe when it holds a double quote. Each value is written back escaped with its own quote
// kept, so plain values come out exactly as they went in; references that the text already
// holds are kept, so a text escaped when it was made is not escaped twice.
void appendEscapedAttributes(std::wstring& out, const std::wstring& text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        size_t nameStart = i + 1;
        size_t eq = nameStart;
        if (text[i] == L' ') {
            while (eq < n && isNameUnit(text[eq]))
                ++eq;
        }
        if (text[i] != L' ' || eq == nameStart || eq + 1 >= n || text[eq] != L'=' ||
            (text[eq + 1] != L'"' && text[eq + 1] != L'\''))
            break;
        const wchar_t quote = text[eq + 1];
        const size_t valueStart = eq + 2;
        size_t valueEnd = valueStart;
        // A value quoted with an apostrophe may hold apostrophes of its own: it ends at the
        // first apostrophe that the end of the text or the next attribute follows.
        while (valueEnd < n &&
               !(text[valueEnd] == quote && (quote == L'"' || attributeBoundary(text, valueEnd + 1))))
            ++valueEnd;
        if (valueEnd >= n)
            break;
        out.append(text, i, valueStart - i);
        appendEscapedValue(out, text.data() + valueStart, valueEnd - valueStart, quote, true);
        out += quote;
        i = valueEnd + 1;
    }
    // Text of no known shape still must not open markup or references of its own.
    if (i < n)
        appendEscapedValue(out, text.data() + i, n - i, L'\0', true);
}

void appendPlaceholderMarkup(std::wstring& out, const std::wstring& value) {
    out += L"<ph type=\"x-LPH\" x=\"";
    appendEscapedValue(out, value.data(), value.size(), L'"', false);
    out += L"\"/>";
}

// Tags and placeholders as markup; false for the text kinds.
bool appendMarkup(std::wstring& out, const SegmentElement& element) {
    switch (element.kind) {
    case SegmentElementKind::Placeholder:
        appendPlaceholderMarkup(out, element.text);
        return true;
    case SegmentElementKind::EmptyTag:
        out += L'<';
        out += element.text;
        appendEscapedAttributes(out, element.extra);
        out += L"/>";
        return true;
    case SegmentElementKind::OpeningTag:
        out += L'<';
        out += element.text;
        appendEscapedAttributes(out, element.extra);
        out += L'>';
        return true;
    case SegmentElementKind::ClosingTag:
        out += L"</";
        out += element.text;
        out += L'>';
        return true;
    default:
        return false;
    }
}

} // namespace

std::wstring renderSegmentXml(const SegmentElement* elements, size_t count) {
    std::wstring out;
    out.reserve(kReservedUnits);
    for (size_t i = 0; i < count; ++i) {
        if (!appendMarkup(out, elements[i]))
            escapeXml(out, elements[i].text, kXmlEscapeText);
    }
    return out;
}

std::wstring renderSegmentXml(const Segment& segment) {
    return renderSegmentXml(segment.data(), segment.size());
}

std::wstring renderSegmentText(const SegmentElement* elements, size_t count,
                               bool showPlaceholders, bool showTags) {
    bool hasTags = false;
    for (size_t i = 0; i < count && !hasTags; ++i)
        hasTags = elements[i].isTag();
    const bool markup = showTags && hasTags;

    std::wstring out;
    out.reserve(kReservedUnits);
    for (size_t i = 0; i < count; ++i) {
        const SegmentElement& element = elements[i];
        if (element.kind == SegmentElementKind::Placeholder) {
            if (!showPlaceholders)
                continue;
            if (markup) {
                appendPlaceholderMarkup(out, element.text);
            } else {
                out += L'{';
                out += element.text;
                out += L'}';
            }
        } else if (element.isTag()) {
            if (showTags)
                appendMarkup(out, element);
        } else if (markup) {
            escapeXml(out, element.text);
        } else {
            out += element.text;
        }
    }
    return out;
}

std::wstring renderSegmentText(const Segment& segment, bool showPlaceholders, bool showTags) {
    return renderSegmentText(segment.data(), segment.size(), showPlaceholders, showTags);
}
