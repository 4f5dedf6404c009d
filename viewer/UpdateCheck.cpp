#include "viewer/UpdateCheck.h"

#include "core/util/StringUtils.h"
#include "core/xml/XmlMemoryStream.h"

#include <windows.h>

#include <limits>

namespace {

constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;
constexpr uint64_t kSecondsPerDay = 86400;
constexpr int32_t kEncodingUtf16Le = 2;

int clampDays(uint64_t days) {
    const uint64_t most = static_cast<uint64_t>(std::numeric_limits<int>::max());
    return static_cast<int>(days < most ? days : most);
}

bool startsWithIgnoringAsciiCase(const std::wstring& text, const wchar_t* prefix) {
    for (std::size_t i = 0; prefix[i] != L'\0'; ++i) {
        if (i >= text.size())
            return false;
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

} // namespace

int daysBetween(FT from, FT to) {
    const uint64_t fromSeconds = from.value / kFileTimeUnitsPerSecond;
    const uint64_t toSeconds = to.value / kFileTimeUnitsPerSecond;
    if (toSeconds <= fromSeconds)
        return -clampDays((fromSeconds - toSeconds) / kSecondsPerDay);
    return clampDays((toSeconds - fromSeconds) / kSecondsPerDay);
}

bool isUnseenAnnouncement(const std::wstring& storedId, const std::wstring& receivedId) {
    // std::wstring compares wchar_t, which is unsigned 16-bit on Windows, unit by unit.
    return !receivedId.empty() && storedId < receivedId;
}

bool isWebLink(const std::wstring& link) {
    const std::wstring trimmed = trim(link);
    if (!startsWithIgnoringAsciiCase(trimmed, L"http://") &&
        !startsWithIgnoringAsciiCase(trimmed, L"https://"))
        return false;
    for (wchar_t c : trimmed) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return false;
    }
    return true;
}

namespace {

bool isLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// A mark that belongs to the character before it.
bool combinesWithPrevious(wchar_t c) {
    WORD type = 0;
    return GetStringTypeW(CT_CTYPE3, &c, 1, &type) && (type & C3_NONSPACING) != 0 &&
           (type & C3_ALPHA) == 0;
}

} // namespace

std::wstring shownAnnouncement(const std::wstring& text) {
    if (text.size() <= kMaxAnnouncementChars)
        return text;
    size_t cut = kMaxAnnouncementChars;
    // Back to the start of the character that the cut would split; a text of nothing but
    // marks is cut where it stands.
    while (cut > 0 && (isLowSurrogate(text[cut]) || combinesWithPrevious(text[cut])))
        --cut;
    if (cut == 0)
        cut = kMaxAnnouncementChars;
    return text.substr(0, cut) + L"\u2026";
}

bool isInvalidDomainEndpoint(const std::wstring& endpoint) {
    const std::size_t scheme = endpoint.find(L"://");
    const std::size_t start = scheme == std::wstring::npos ? 0 : scheme + 3;
    const std::size_t end = endpoint.find_first_of(L":/?#", start);
    std::wstring host = endpoint.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    for (wchar_t& c : host) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    while (!host.empty() && host.back() == L'.')
        host.pop_back();
    const std::wstring domain = L".invalid";
    return host == L"invalid" ||
           (host.size() > domain.size() && host.compare(host.size() - domain.size(), domain.size(), domain) == 0);
}

void UpdateResponseParser::startElement(const std::wstring& name, const XmlAttributes&, bool) {
    if (name == L"AnnouncementID")
        inAnnouncementId_ = true;
    else if (name == L"NewVersionInfo")
        inNewVersionInfo_ = true;
    else if (name == L"MoreInfoURL")
        inMoreInfoUrl_ = true;
}

void UpdateResponseParser::endElement(const std::wstring& name, bool) {
    if (name == L"AnnouncementID")
        inAnnouncementId_ = false;
    else if (name == L"NewVersionInfo")
        inNewVersionInfo_ = false;
    else if (name == L"MoreInfoURL")
        inMoreInfoUrl_ = false;
}

void UpdateResponseParser::characterData(const std::wstring& text) {
    if (inAnnouncementId_)
        announcementId += text;
    else if (inNewVersionInfo_)
        newVersionInfo += text;
    else if (inMoreInfoUrl_)
        moreInfoUrl += text;
}

UpdateReply parseUpdateReply(const std::wstring& text) {
    UpdateReply reply;
    // The stream reads the units and the terminating zero unit.
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (bytes > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
        return reply;
    UpdateResponseParser parser;
    XmlMemoryStream stream(text.c_str(), kEncodingUtf16Le, static_cast<int32_t>(bytes));
    if (!parser.parse(stream))
        return reply;
    reply.wellFormed = true;
    reply.announcementId = std::move(parser.announcementId);
    reply.newVersionInfo = std::move(parser.newVersionInfo);
    reply.moreInfoUrl = std::move(parser.moreInfoUrl);
    return reply;
}
