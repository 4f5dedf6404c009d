#include "core/http/HttpExchange.h"

#include "core/http/WinHttpHandle.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr std::size_t kReceiveBufferBytes = kHttpMaxBodyBytes + 1;
constexpr std::size_t kMaxBodyBytes = kHttpMaxBodyBytes;
constexpr std::size_t kMinReplyUnits = kHttpMinReplyUnits;
constexpr std::size_t kMaxCharsetUnits = 31;
// The system already limits response headers; this only bounds what a reply can make us
// allocate should it report more.
constexpr std::size_t kMaxHeaderBytes = 256 * 1024;
constexpr std::size_t kBodyCharsetWindow = 200;

// True when the raw CRLF header text names a charset containing "utf-8" (letter case ignored).
bool headersDeclareUtf8(const std::wstring& rawHeaders) {
    std::wstring lower(rawHeaders);
    for (wchar_t& c : lower) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    static const wchar_t kKey[] = L"charset=";
    const std::size_t at = lower.find(kKey);
    if (at == std::wstring::npos)
        return false;
    const std::size_t start = at + (sizeof(kKey) / sizeof(kKey[0]) - 1);
    std::size_t end = start;
    while (end < lower.size() && end - start < kMaxCharsetUnits && lower[end] != L' ' &&
           lower[end] != L';' && lower[end] != L'\n')
        ++end;
    // A carriage return before the line feed stays in the name; "utf-8" anywhere in it counts.
    return lower.substr(start, end - start).find(L"utf-8") != std::wstring::npos;
}

// True when "utf-8" or "UTF-8" occurs in the first kBodyCharsetWindow bytes of the body.
bool bodyDeclaresUtf8(const char* body, std::size_t length) {
    const std::size_t window = length < kBodyCharsetWindow ? length : kBodyCharsetWindow;
    static const char kLower[] = "utf-8";
    static const char kUpper[] = "UTF-8";
    const std::size_t n = sizeof(kLower) - 1;
    for (std::size_t i = 0; i + n <= window; ++i) {
        if (std::memcmp(body + i, kLower, n) == 0 || std::memcmp(body + i, kUpper, n) == 0)
            return true;
    }
    return false;
}

// The body as UTF-16: UTF-8 with invalid sequences refused, or the system ANSI code page.
// None when the conversion fails or the text has kMinReplyUnits units or fewer.
std::optional<std::wstring> decodeReply(const char* body, std::size_t length, bool utf8) {
    if (length == 0 || length > kMaxBodyBytes)
        return std::nullopt;
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const DWORD flags = utf8 ? MB_ERR_INVALID_CHARS : MB_PRECOMPOSED;
    const int bytes = static_cast<int>(length);
    const int units = MultiByteToWideChar(codePage, flags, body, bytes, nullptr, 0);
    if (units <= 0 || static_cast<std::size_t>(units) <= kMinReplyUnits)
        return std::nullopt;
    std::wstring text(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(codePage, flags, body, bytes, &text[0], units) != units)
        return std::nullopt;
    return text;
}

enum class Attempt { Succeeded, Failed, Refused };

std::wstring readRawHeaders(HINTERNET request) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                        WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0 || size > kMaxHeaderBytes)
        return std::wstring();
    std::wstring headers(size / sizeof(wchar_t) + 1, L'\0');
    DWORD filled = static_cast<DWORD>(headers.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             &headers[0], &filled, WINHTTP_NO_HEADER_INDEX))
        return std::wstring();
    headers.resize(filled / sizeof(wchar_t));
    return headers;
}

enum class Length { Absent, Given, Malformed };

// The Content-Length the reply announces, when it announces one.
Length announcedLength(HINTERNET request, unsigned long long& length) {
    wchar_t text[32] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                             text, &size, WINHTTP_NO_HEADER_INDEX))
        return GetLastError() == ERROR_WINHTTP_HEADER_NOT_FOUND ? Length::Absent : Length::Malformed;
    length = 0;
    const DWORD units = size / sizeof(wchar_t);
    if (units == 0)
        return Length::Malformed;
    for (DWORD i = 0; i < units; ++i) {
        if (text[i] < L'0' || text[i] > L'9' || length > 0xFFFFFFFFFFull)
            return Length::Malformed;
        length = length * 10 + static_cast<unsigned>(text[i] - L'0');
    }
    return Length::Given;
}

// Reads the whole body into buffer. Refused when the body does not fit; Failed when the
// system reports an error before the body's end, since what came until then is only a part.
Attempt readBody(HINTERNET request, std::vector<char>& buffer, std::size_t& filled) {
    filled = 0;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            return Attempt::Failed;
        if (available == 0)
            return Attempt::Succeeded;
        if (filled >= kMaxBodyBytes)
            return Attempt::Refused;
        const std::size_t room = kMaxBodyBytes - filled;
        const DWORD wanted = available < room ? available : static_cast<DWORD>(room);
        DWORD read = 0;
        if (!WinHttpReadData(request, buffer.data() + filled, wanted, &read))
            return Attempt::Failed;
        if (read == 0)
            return Attempt::Succeeded;
        filled += read > wanted ? wanted : read;
    }
}

Attempt attempt(HINTERNET request, std::vector<char>& buffer, std::wstring& text) {
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                            0, 0) ||
        !WinHttpReceiveResponse(request, nullptr))
        return Attempt::Failed;
    bool utf8 = headersDeclareUtf8(readRawHeaders(request));

    // A body shorter than announced was cut in transit and would pass for a whole one.
    unsigned long long announced = 0;
    const Length length = announcedLength(request, announced);
    if (length == Length::Malformed)
        return Attempt::Failed;
    if (length == Length::Given && announced > kMaxBodyBytes)
        return Attempt::Refused;

    std::size_t filled = 0;
    const Attempt read = readBody(request, buffer, filled);
    if (read != Attempt::Succeeded)
        return read;
    if (length == Length::Given && filled != announced)
        return Attempt::Failed;
    utf8 = utf8 || bodyDeclaresUtf8(buffer.data(), filled);

    std::optional<std::wstring> decoded = decodeReply(buffer.data(), filled, utf8);
    if (!decoded)
        return Attempt::Failed;
    text = std::move(*decoded);
    return Attempt::Succeeded;
}

constexpr int kAttempts = 3;
constexpr DWORD kHostRoom = 260;
constexpr DWORD kPathRoom = 1300;

std::optional<std::wstring> exchange(const std::wstring& url, int post, const std::wstring& userAgent) {
    const wchar_t* agent = userAgent.empty() ? L"Mozilla/5.0 (compatible)" : userAgent.c_str();
    WinHttpHandle session(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return std::nullopt;

    wchar_t host[kHostRoom] = {};
    wchar_t path[kPathRoom] = {};
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = kHostRoom;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = kPathRoom;
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        return std::nullopt;

    WinHttpHandle connection(WinHttpConnect(session.get(), host, parts.nPort, 0));
    if (!connection)
        return std::nullopt;
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    WinHttpHandle request(WinHttpOpenRequest(connection.get(), post ? L"POST" : L"GET", path,
                                             nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request)
        return std::nullopt;

    std::vector<char> buffer(kReceiveBufferBytes);
    std::wstring text;
    for (int i = 0; i < kAttempts; ++i) {
        const Attempt result = attempt(request.get(), buffer, text);
        if (result == Attempt::Succeeded)
            return text;
        // A reply too large to take will be just as large when asked again.
        if (result == Attempt::Refused)
            break;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::wstring> httpExchange(const std::wstring& url, int post,
                                         const std::wstring& userAgent) {
    try {
        return exchange(url, post, userAgent);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
