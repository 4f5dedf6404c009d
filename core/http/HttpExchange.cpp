#include "core/http/HttpExchange.h"

#include "core/http/WinHttpHandle.h"
#include "core/threads/Lockable.h"
#include "core/util/Win32Handle.h"

#include <cstring>
#include <memory>
#include <new>
#include <thread>
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

// Failed attempts are made again; Refused and TimedOut end the exchange.
enum class Attempt { Succeeded, Failed, Refused, TimedOut };

// The time left before the exchange's deadline.
class Deadline {
public:
    explicit Deadline(unsigned ms) : end_(GetTickCount64() + ms) {}
    int leftMs() const {
        const ULONGLONG now = GetTickCount64();
        if (now >= end_)
            return 0;
        const ULONGLONG left = end_ - now;
        return left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
    }

private:
    ULONGLONG end_;
};

int atMost(int limitMs, int leftMs) {
    return limitMs < leftMs ? limitMs : leftMs;
}

// How an exchange's caller ends it at the deadline. Closing the request handle from another
// thread does not end a blocked call on every system (some keep reading a reply that trickles
// in for as long as it comes), but shortened time-outs reach the blocked call at its next wait
// on the socket: it then fails as timed out, and the exchange closes its connection and ends.
// The lock keeps the handle open while the cut touches it, and keeps a step that is just
// starting from giving the request its long time-outs back.
class ExchangeCut : public Lockable {
public:
    // The request that the cut reaches; null when the exchange holds none.
    void attach(HINTERNET request) {
        ScopedLock lock(*this);
        request_ = request;
    }

    // Gives the request its time-outs for the next call; false once the exchange was cut.
    bool arm(HINTERNET request, int resolveMs, int connectMs, int sendMs, int receiveMs) {
        ScopedLock lock(*this);
        return !cut_ && setTimeouts(request, resolveMs, connectMs, sendMs, receiveMs);
    }

    void cut() {
        ScopedLock lock(*this);
        cut_ = true;
        if (request_)
            setTimeouts(request_, kCutMs, kCutMs, kCutMs, kCutMs);
    }

private:
    static constexpr int kCutMs = 1;

    // The system applies new time-outs to a connection already open.
    static bool setTimeouts(HINTERNET request, int resolveMs, int connectMs, int sendMs,
                            int receiveMs) {
        if (!WinHttpSetTimeouts(request, resolveMs, connectMs, sendMs, receiveMs))
            return false;
        DWORD responseMs = static_cast<DWORD>(receiveMs);
        WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs,
                         sizeof(responseMs));
        return true;
    }

    HINTERNET request_ = nullptr;
    bool cut_ = false;
};

// Makes the request reachable by the cut while it lives; declared after the request's own
// handle, so that the cut lets go of it before it is closed.
class CutReach {
public:
    CutReach(ExchangeCut& cut, HINTERNET request) : cut_(cut) { cut_.attach(request); }
    ~CutReach() { cut_.attach(nullptr); }
    CutReach(const CutReach&) = delete;
    CutReach& operator=(const CutReach&) = delete;

private:
    ExchangeCut& cut_;
};

// The limits an exchange runs under: each step's time-outs, the deadline and the cut.
struct ExchangeBounds {
    const HttpLimits& limits;
    Deadline deadline;
    ExchangeCut& cut;
};

// One blocking WinHTTP call on a request, given no more than its step's limit and the time left
// before the deadline.
class Step {
public:
    Step(HINTERNET request, ExchangeBounds& bounds) {
        const int left = bounds.deadline.leftMs();
        if (left <= 0)
            return;
        const HttpLimits& limits = bounds.limits;
        allowed_ = bounds.cut.arm(request, atMost(limits.resolveMs, left),
                                  atMost(limits.connectMs, left), atMost(limits.sendMs, left),
                                  atMost(limits.receiveMs, left));
    }

    // False when no time is left for the call, or the exchange was cut.
    bool allowed() const { return allowed_; }

    // How the call, which has just failed, ends the attempt. Some systems pass the socket's
    // own time-out code up instead of WinHTTP's.
    static Attempt failed() {
        const DWORD error = GetLastError();
        if (error == ERROR_WINHTTP_TIMEOUT || error == kSocketTimedOut)
            return Attempt::TimedOut;
        return Attempt::Failed;
    }

private:
    static constexpr DWORD kSocketTimedOut = 10060; // WSAETIMEDOUT
    bool allowed_ = false;
};

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
// system reports an error before the body's end, since what came until then is only a part;
// TimedOut when a piece does not come in time or the deadline passes first.
Attempt readBody(HINTERNET request, std::vector<char>& buffer, std::size_t& filled,
                 ExchangeBounds& bounds) {
    filled = 0;
    for (;;) {
        const Step query(request, bounds);
        if (!query.allowed())
            return Attempt::TimedOut;
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            return query.failed();
        if (available == 0)
            return Attempt::Succeeded;
        if (filled >= kMaxBodyBytes)
            return Attempt::Refused;
        const std::size_t room = kMaxBodyBytes - filled;
        const DWORD wanted = available < room ? available : static_cast<DWORD>(room);
        DWORD read = 0;
        const Step step(request, bounds);
        if (!step.allowed())
            return Attempt::TimedOut;
        if (!WinHttpReadData(request, buffer.data() + filled, wanted, &read))
            return step.failed();
        if (read == 0)
            return Attempt::Succeeded;
        filled += read > wanted ? wanted : read;
    }
}

Attempt exchangeOnce(HINTERNET request, std::vector<char>& buffer, std::wstring& text,
                     ExchangeBounds& bounds) {
    const Step send(request, bounds);
    if (!send.allowed())
        return Attempt::TimedOut;
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                            0, 0))
        return send.failed();
    const Step receive(request, bounds);
    if (!receive.allowed())
        return Attempt::TimedOut;
    if (!WinHttpReceiveResponse(request, nullptr))
        return receive.failed();
    bool utf8 = headersDeclareUtf8(readRawHeaders(request));

    // A body shorter than announced was cut in transit and would pass for a whole one.
    unsigned long long announced = 0;
    const Length length = announcedLength(request, announced);
    if (length == Length::Malformed)
        return Attempt::Failed;
    if (length == Length::Given && announced > kMaxBodyBytes)
        return Attempt::Refused;

    std::size_t filled = 0;
    const Attempt read = readBody(request, buffer, filled, bounds);
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

struct Target {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_HTTP;
    INTERNET_PORT port = 0;
    wchar_t host[kHostRoom] = {};
    wchar_t path[kPathRoom] = {};
};

bool splitUrl(const std::wstring& url, Target& target) {
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = target.host;
    parts.dwHostNameLength = kHostRoom;
    parts.lpszUrlPath = target.path;
    parts.dwUrlPathLength = kPathRoom;
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        return false;
    target.scheme = parts.nScheme;
    target.port = parts.nPort;
    return true;
}

// One attempt on a connection and request of its own: a request handle that has seen a failed
// exchange is never sent again (the system's state for it may be half torn down).
Attempt attempt(HINTERNET session, const Target& target, int post, std::vector<char>& buffer,
                std::wstring& text, ExchangeBounds& bounds) {
    WinHttpHandle connection(WinHttpConnect(session, target.host, target.port, 0));
    if (!connection)
        return Attempt::Refused;
    const DWORD flags = target.scheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    WinHttpHandle request(WinHttpOpenRequest(connection.get(), post ? L"POST" : L"GET",
                                             target.path, nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request)
        return Attempt::Refused;
    const CutReach reach(bounds.cut, request.get());
    return exchangeOnce(request.get(), buffer, text, bounds);
}

std::optional<std::wstring> exchange(const std::wstring& url, int post, const std::wstring& userAgent,
                                     const HttpLimits& limits, ExchangeCut& cut) {
    ExchangeBounds bounds{limits, Deadline(limits.deadlineMs), cut};
    const wchar_t* agent = userAgent.empty() ? L"Mozilla/5.0 (compatible)" : userAgent.c_str();
    WinHttpHandle session(WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return std::nullopt;
    std::unique_ptr<Target> target(new Target());
    if (!splitUrl(url, *target))
        return std::nullopt;

    std::vector<char> buffer(kReceiveBufferBytes);
    std::wstring text;
    for (int i = 0; i < kAttempts; ++i) {
        const Attempt result = attempt(session.get(), *target, post, buffer, text, bounds);
        if (result == Attempt::Succeeded)
            return text;
        // A reply too large to take will be just as large when asked again, and a server that
        // did not answer in time is not kept waiting for again.
        if (result != Attempt::Failed)
            break;
    }
    return std::nullopt;
}

} // namespace

namespace {

// What the exchange's own thread and its caller share; whoever lets go last frees it.
struct ExchangeRun {
    std::wstring url;
    int post = 0;
    std::wstring userAgent;
    HttpLimits limits;
    std::optional<std::wstring> result;
    ExchangeCut cut;
    Win32Handle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

std::optional<std::wstring> guardedExchange(const std::wstring& url, int post,
                                            const std::wstring& userAgent, const HttpLimits& limits,
                                            ExchangeCut& cut) {
    try {
        return exchange(url, post, userAgent, limits, cut);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// An exchange that runs on the calling thread, which nobody can cut: the step time-outs alone
// bound it.
std::optional<std::wstring> uncutExchange(const std::wstring& url, int post,
                                          const std::wstring& userAgent, const HttpLimits& limits) {
    ExchangeCut never;
    return guardedExchange(url, post, userAgent, limits, never);
}

} // namespace

std::optional<std::wstring> httpExchange(const std::wstring& url, int post,
                                         const std::wstring& userAgent, const HttpLimits& limits) {
    // Every step has its own time-out, but a server that sends a byte now and then keeps one
    // step alive for as long as it likes. The exchange therefore runs on a thread of its own,
    // and the caller waits for it no longer than the deadline. Then it cuts the exchange: the
    // blocked call fails at its next wait on the socket (at most one of the server's pauses,
    // never longer than the receive limit), and the thread closes its connection and ends, on
    // state it shares with nobody but this call.
    std::shared_ptr<ExchangeRun> run;
    try {
        run = std::make_shared<ExchangeRun>();
        run->url = url;
        run->post = post;
        run->userAgent = userAgent;
        run->limits = limits;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (!run->done)
        return uncutExchange(url, post, userAgent, limits);
    try {
        std::thread([run] {
            run->result = guardedExchange(run->url, run->post, run->userAgent, run->limits, run->cut);
            SetEvent(run->done.get());
        }).detach();
    } catch (const std::exception&) {
        return uncutExchange(url, post, userAgent, limits);
    }
    if (WaitForSingleObject(run->done.get(), limits.deadlineMs) != WAIT_OBJECT_0) {
        run->cut.cut();
        return std::nullopt;
    }
    return std::move(run->result);
}
