#include "group_builder/GroupFileWriter.h"

#include "core/util/FileUtils.h"
#include "core/util/StringUtils.h"
#include "core/util/Utf8.h"
#include "core/xml/XmlEntities.h"
#include "group_builder/RelativePath.h"

#include <cstdint>
#include <new>

namespace {

// Member paths that would need this many ".." steps are written in full: a group moved with
// its nearby files keeps working, one far from them breaks no less than a full path would.
const int kMaxRelativeSteps = 2;

// The markup characters but the apostrophe, which never needs it inside double quotes, and the
// white space that a reader would not give back as it stands (TAB, LF and CR in a name).
std::wstring escapeGroupText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    escapeXml(out, text, kXmlEscapeAmpLt | kXmlEscapeGt | kXmlEscapeQuot | kXmlEscapeCr | kXmlEscapeTabLf);
    return out;
}

} // namespace

std::wstring formatColorHex(COLORREF color) {
    const uint32_t c = color;
    uint32_t value = (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    wchar_t buffer[8];
    int n = 0;
    do {
        buffer[n++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    std::wstring text;
    while (n > 0)
        text.push_back(buffer[--n]);
    return text;
}

std::string formatGroupFile(const std::wstring& groupPath, const std::vector<GroupEntry>& entries) {
    const std::wstring folder = getDirectory(groupPath);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plexa>\r\n";
    std::wstring relative;
    for (const GroupEntry& entry : entries) {
        const int steps = makeRelativePath(folder, entry.path, relative);
        const std::wstring& written = steps <= kMaxRelativeSteps ? relative : entry.path;
        out += "  <tmxfile shortName=\"";
        appendUtf8(out, escapeGroupText(entry.shortName));
        out += "\" color=\"";
        appendUtf8(out, formatColorHex(entry.color));
        out += "\">";
        appendUtf8(out, escapeGroupText(written));
        out += "</tmxfile>\r\n";
    }
    out += "</plexa>\r\n";
    return out;
}

bool writeGroupFile(const std::wstring& groupPath, const std::vector<GroupEntry>& entries) {
    if (groupPath.empty())
        return false;
    try {
        const std::string bytes = formatGroupFile(groupPath, entries);
        return replaceFileContents(groupPath, bytes.data(), bytes.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
}
