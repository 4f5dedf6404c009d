#include "core/xml/XmlEntities.h"

#include "core/xml/XmlEntityTable.inc"

namespace {

// Orders a reference name against a table name by plain unit comparison.
int compareName(const std::wstring& name, const char* tableName) {
    size_t i = 0;
    for (; i < name.size() && tableName[i] != 0; ++i) {
        const unsigned a = name[i];
        const unsigned b = static_cast<unsigned char>(tableName[i]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    if (i < name.size()) {
        return 1;
    }
    return tableName[i] == 0 ? 0 : -1;
}

// The table is constant data sorted at build time, so lookups need no first-use construction
// and are safe from any thread.
uint32_t lookupNamed(const std::wstring& name) {
    using namespace xml_entity_table;
    int low = 0;
    int high = kCount;
    while (low < high) {
        const int middle = (low + high) / 2;
        const NamedEntity& row = kRows[kByName[middle]];
        const int order = compareName(name, row.name);
        if (order == 0) {
            return row.value;
        }
        if (order < 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return 0;
}

int hexDigit(wchar_t unit) {
    if (unit >= L'0' && unit <= L'9') {
        return unit - L'0';
    }
    if (unit >= L'a' && unit <= L'f') {
        return unit - L'a' + 10;
    }
    if (unit >= L'A' && unit <= L'F') {
        return unit - L'A' + 10;
    }
    return -1;
}

constexpr uint32_t kBeyondUnicode = 0x110000;

} // namespace

uint32_t resolveEntityCodePoint(const std::wstring& name) {
    if (name.empty()) {
        return 0;
    }
    if (name[0] != L'#') {
        return lookupNamed(name);
    }
    uint32_t value = 0;
    if (name.size() > 2 && name[1] == L'x') {
        for (size_t i = 2; i < name.size(); ++i) {
            const int digit = hexDigit(name[i]);
            if (digit < 0) {
                return 0;
            }
            // Saturate: any value past the Unicode range is rejected below.
            value = value >= kBeyondUnicode ? kBeyondUnicode : value * 16 + digit;
        }
    } else if (name.size() > 1) {
        for (size_t i = 1; i < name.size(); ++i) {
            if (name[i] < L'0' || name[i] > L'9') {
                return 0;
            }
            value = value >= kBeyondUnicode ? kBeyondUnicode : value * 10 + (name[i] - L'0');
        }
    }
    if (value >= kBeyondUnicode || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    return value;
}

uint16_t resolveEntity(const std::wstring& name) {
    const uint32_t value = resolveEntityCodePoint(name);
    return value <= 0xFFFF ? static_cast<uint16_t>(value) : 0;
}

namespace {

// The reference for a unit of the set, or null when it is copied as it is.
const wchar_t* referenceFor(wchar_t unit, unsigned set) {
    switch (unit) {
    case L'&': return (set & kXmlEscapeAmpLt) ? L"&amp;" : nullptr;
    case L'<': return (set & kXmlEscapeAmpLt) ? L"&lt;" : nullptr;
    case L'>': return (set & kXmlEscapeGt) ? L"&gt;" : nullptr;
    case L'"': return (set & kXmlEscapeQuot) ? L"&quot;" : nullptr;
    case L'\'': return (set & kXmlEscapeApos) ? L"&apos;" : nullptr;
    case L'\r': return (set & kXmlEscapeCr) ? L"&#13;" : nullptr;
    case L'\t': return (set & kXmlEscapeTabLf) ? L"&#9;" : nullptr;
    case L'\n': return (set & kXmlEscapeTabLf) ? L"&#10;" : nullptr;
    default: return nullptr;
    }
}

} // namespace

void escapeXml(std::wstring& destination, const wchar_t* text, size_t length, unsigned set) {
    // Runs without a character of the set are copied whole; every such character is at most '>'.
    size_t runStart = 0;
    for (size_t i = 0; i < length; ++i) {
        const wchar_t unit = text[i];
        if (unit > L'>')
            continue;
        const wchar_t* reference = referenceFor(unit, set);
        if (!reference)
            continue;
        destination.append(text + runStart, i - runStart);
        destination += reference;
        runStart = i + 1;
    }
    destination.append(text + runStart, length - runStart);
}

void escapeXml(std::wstring& destination, const std::wstring& text, unsigned set) {
    escapeXml(destination, text.data(), text.size(), set);
}

void escapeXml(std::wstring& destination, const std::wstring& text) {
    escapeXml(destination, text, kXmlEscapeAmpLt | kXmlEscapeGt | kXmlEscapeQuot | kXmlEscapeApos);
}

std::wstring xmlEscapedCopy(const std::wstring& text) {
    std::wstring copy;
    copy.reserve(text.size() + text.size() / 8);
    escapeXml(copy, text);
    return copy;
}
