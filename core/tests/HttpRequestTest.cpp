#include "core/tests/LoopbackHttpServer.h"
#include "core/tests/TestFiles.h"

#include "core/http/HttpExchange.h"
#include "core/http/HttpRequest.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// A body of exactly size bytes that begins with prefix.
std::string body(std::size_t size, const std::string& prefix = "") {
    std::string text = prefix;
    while (text.size() < size)
        text.push_back(static_cast<char>('a' + text.size() % 26));
    text.resize(size);
    return text;
}

std::wstring decoded(const std::string& bytes, UINT codePage) {
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    return text;
}

std::string requestLine(const std::string& head) {
    return head.substr(0, head.find("\r\n"));
}

bool hasHeader(const std::string& head, const std::string& line) {
    return head.find("\r\n" + line + "\r\n") != std::string::npos;
}

class HttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearProxyEnvironment();
        ASSERT_TRUE(Winsock::get().ready());
    }
};

} // namespace

TEST_F(HttpRequestTest, BuildsTheUrlSendsAGetAndKeepsTheReply) {
    const std::string text = body(150, "<info/>");
    LoopbackHttpServer server({reply(text)});
    ASSERT_TRUE(server.listening());

    HttpRequest request;
    request.setBaseUrl(server.url(L"/update/info.php"));
    request.addParameter(L"cv", L"1.2");
    request.addParameter(L"lang", L"de");
    ASSERT_TRUE(request.perform());
    EXPECT_EQ(request.requestUrl(), server.url(L"/update/info.php?cv=1.2&lang=de"));
    EXPECT_EQ(request.responseText(), decoded(text, CP_ACP));
    EXPECT_EQ(request.responseLength(), 150u);

    const std::vector<std::string> seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(requestLine(seen[0]), "GET /update/info.php?cv=1.2&lang=de HTTP/1.1");
    EXPECT_TRUE(hasHeader(seen[0], "User-Agent: Mozilla/5.0 (compatible)")) << seen[0];
}

TEST_F(HttpRequestTest, CallerUrlPostFlagAndUserAgentAreSentAsGiven) {
    LoopbackHttpServer server({reply(body(120))});
    ASSERT_TRUE(server.listening());

    HttpRequest request;
    request.setRequestUrl(server.url(L"/direct?x=a%20b"));
    request.setBaseUrl(server.url(L"/ignored"));
    request.addParameter(L"cv", L"1.2");
    request.setPost(1);
    request.setUserAgent(L"Tester/1");
    ASSERT_TRUE(request.perform());
    EXPECT_EQ(request.requestUrl(), server.url(L"/direct?x=a%20b"));

    const std::vector<std::string> seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(requestLine(seen[0]), "POST /direct?x=a%20b HTTP/1.1");
    EXPECT_TRUE(hasHeader(seen[0], "User-Agent: Tester/1")) << seen[0];
}

TEST_F(HttpRequestTest, CharsetComesFromTheHeadersOrTheBodysStart) {
    const std::string accented = "caf\xC3\xA9 \xE2\x82\xAC ";
    struct Case {
        const char* contentType;
        std::string text;
        bool utf8;
    };
    const Case cases[] = {
        {"text/xml; charset=UTF-8", body(150, accented), true},
        {"TEXT/XML; CHARSET=Utf-8", body(150, accented), true},
        {"text/xml;charset=\"utf-8\"", body(150, accented), true},
        {"text/xml; charset=iso-8859-1", body(150, accented), false},
        {"text/plain", body(150, accented), false},
        {"text/plain", body(150, "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + accented), true},
        {"text/plain", body(150, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + accented), true},
        // The body test knows only the two spellings, and only in its first 200 bytes.
        {"text/plain", body(150, "<?xml version=\"1.0\" encoding=\"Utf-8\"?>" + accented), false},
        {"text/plain", body(200, accented) + "utf-8" + body(50), false},
        {"text/plain", body(195, accented) + "utf-8" + body(50), true},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server({reply(c.text, c.contentType)});
        ASSERT_TRUE(server.listening());
        const std::optional<std::wstring> text = httpExchange(server.url(L"/c"), 0, L"");
        ASSERT_TRUE(text.has_value()) << c.contentType;
        EXPECT_EQ(*text, decoded(c.text, c.utf8 ? CP_UTF8 : CP_ACP))
            << c.contentType << " / " << c.text.substr(0, 45);
        EXPECT_EQ(server.requestCount(), 1);
    }
}

TEST_F(HttpRequestTest, ShortOrUndecodableRepliesAreAskedForThreeTimes) {
    struct Case {
        std::string name;
        std::vector<std::string> replies;
        bool succeeds;
        int requests; // negative: at most that many
        std::size_t length;
    };
    const Case cases[] = {
        {"80 units", {reply(body(80))}, false, 3, 0},
        {"100 units", {reply(body(100))}, false, 3, 0},
        {"101 units", {reply(body(101))}, true, 1, 101},
        {"empty body", {reply("")}, false, 3, 0},
        {"100 units of UTF-8 in 101 bytes", {reply(body(99) + "\xC3\xA9", "text/xml; charset=utf-8")},
         false, 3, 0},
        {"short, then long enough", {reply(body(10)), reply(body(10)), reply(body(300))}, true, 3, 300},
        {"invalid UTF-8", {reply(body(150, "bad \xC3\x28 byte"), "text/xml; charset=utf-8")}, false, 3, 0},
        // The system may try a garbled connection again without reaching the server, so only
        // the bound on the attempts is certain here.
        {"not HTTP", {std::string("hello\r\n\r\n")}, false, -3, 0},
        {"cut short", {"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n" + body(3000)},
         false, 3, 0},
        {"malformed length", {"HTTP/1.1 200 OK\r\nContent-Length: 15x\r\nConnection: close\r\n\r\n" + body(150)},
         false, 3, 0},
        {"no length, read to the close", {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body(150)},
         true, 1, 150},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server(c.replies);
        ASSERT_TRUE(server.listening());
        HttpRequest request;
        request.setBaseUrl(server.url(L"/r"));
        request.addParameter(L"a", L"b");
        EXPECT_EQ(request.perform(), c.succeeds) << c.name;
        if (c.requests < 0) {
            EXPECT_GE(server.requestCount(), 1) << c.name;
            EXPECT_LE(server.requestCount(), -c.requests) << c.name;
        } else {
            EXPECT_EQ(server.requestCount(), c.requests) << c.name;
        }
        EXPECT_EQ(request.responseLength(), c.length) << c.name;
        EXPECT_EQ(request.hasResponse(), c.succeeds) << c.name;
    }
}

TEST_F(HttpRequestTest, BodyUpToTheBufferIsTakenAndALargerOneRefused) {
    {
        const std::string text = body(0xFFFFF);
        LoopbackHttpServer server({reply(text)});
        ASSERT_TRUE(server.listening());
        const std::optional<std::wstring> got = httpExchange(server.url(L"/big"), 0, L"");
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->size(), text.size());
        EXPECT_EQ(server.requestCount(), 1);
    }
    {
        // A cut reply would pass for a whole one; one that does not fit is refused at once,
        // since asking again brings the same size.
        // Refused on its announced length: the rest of the body need not even come.
        LoopbackHttpServer server({"HTTP/1.1 200 OK\r\nContent-Length: 1048586\r\nConnection: close\r\n\r\n" +
                                   body(1000)});
        ASSERT_TRUE(server.listening());
        EXPECT_FALSE(httpExchange(server.url(L"/big"), 0, L"").has_value());
        EXPECT_EQ(server.requestCount(), 1);
    }
    {
        // Without an announced length the body is read until it overflows the buffer.
        LoopbackHttpServer server({"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body(0x100000)});
        ASSERT_TRUE(server.listening());
        EXPECT_FALSE(httpExchange(server.url(L"/big"), 0, L"").has_value());
        EXPECT_EQ(server.requestCount(), 1);
    }
}

TEST_F(HttpRequestTest, NothingIsSentWithoutAUsableUrl) {
    LoopbackHttpServer server({reply(body(150))});
    ASSERT_TRUE(server.listening());

    HttpRequest noParameters;
    noParameters.setBaseUrl(server.url(L"/p"));
    EXPECT_FALSE(noParameters.perform());

    HttpRequest tooLong;
    tooLong.setBaseUrl(server.url(L"/") + std::wstring(HttpRequest::kRequestUrlRoom, L'x'));
    tooLong.addParameter(L"a", L"b");
    EXPECT_FALSE(tooLong.perform());
    EXPECT_TRUE(tooLong.requestUrl().empty());

    HttpRequest notAUrl;
    notAUrl.setRequestUrl(L"not a url");
    EXPECT_FALSE(notAUrl.perform());
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(HttpRequestTest, RefusedConnectionFailsAndClearsTheLastReply) {
    std::wstring url;
    HttpRequest request;
    {
        LoopbackHttpServer server({reply(body(150))});
        ASSERT_TRUE(server.listening());
        url = server.url(L"/gone");
        request.setRequestUrl(url);
        ASSERT_TRUE(request.perform());
        EXPECT_EQ(request.responseLength(), 150u);
    }
    // The server has closed its port: the same request now fails and keeps no old reply.
    EXPECT_FALSE(request.perform());
    EXPECT_FALSE(request.hasResponse());
    EXPECT_EQ(request.responseLength(), 0u);
}

namespace {

// Milliseconds that perform took.
ULONGLONG timedPerform(HttpRequest& request, bool& result) {
    const ULONGLONG start = GetTickCount64();
    result = request.perform();
    return GetTickCount64() - start;
}

} // namespace

TEST_F(HttpRequestTest, AServerThatNeverAnswersFailsWithinTheReceiveTimeOut) {
    LoopbackHttpServer server({}, LoopbackHttpServer::Mode::Silent);
    ASSERT_TRUE(server.listening());
    HttpRequest request;
    request.setRequestUrl(server.url(L"/hangs"));
    const HttpLimits defaults;
    bool result = true;
    const ULONGLONG took = timedPerform(request, result);
    EXPECT_FALSE(result);
    EXPECT_FALSE(request.hasResponse());
    EXPECT_LT(took, static_cast<ULONGLONG>(defaults.receiveMs) + 1000);
    // A server that hung once is not asked again.
    EXPECT_EQ(server.requestCount(), 1);
}

namespace {

// The tick at which the client hung up on the server's first connection, waiting for it no
// later than the tick until; 0 when it held on.
ULONGLONG firstHangUp(const LoopbackHttpServer& server, ULONGLONG until) {
    for (;;) {
        const std::vector<ULONGLONG> hangUps = server.clientHangUps();
        if (!hangUps.empty())
            return hangUps[0];
        if (GetTickCount64() >= until)
            return 0;
        Sleep(20);
    }
}

} // namespace

TEST_F(HttpRequestTest, AServerThatDragsIsCutOffByTheGapLimitOrTheDeadline) {
    struct Case {
        const char* label;
        DWORD byteEveryMs;
        HttpLimits limits;
        ULONGLONG mostMs; // the limit that must end it, plus a second
    };
    HttpLimits gap;
    gap.receiveMs = 600;
    HttpLimits deadline;
    deadline.receiveMs = 2000;
    deadline.deadlineMs = 2500;
    HttpLimits deadlineOnly;
    deadlineOnly.deadlineMs = 2500;
    const Case cases[] = {
        {"a gap longer than the receive limit", 2500, gap, 600 + 1000},
        {"bytes in time, but the whole takes too long", 200, deadline, 2500 + 1000},
        // Each byte comes well within the receive limit, so only the deadline can end it, while
        // the system is still reading the reply's head.
        {"a byte every 3 s, the deadline passes in the head", 3000, deadlineOnly, 2500 + 1000},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server({reply(body(400))}, LoopbackHttpServer::Mode::Trickle, c.byteEveryMs);
        ASSERT_TRUE(server.listening());
        HttpRequest request;
        request.setRequestUrl(server.url(L"/drags"));
        request.setLimits(c.limits);
        bool result = true;
        const ULONGLONG start = GetTickCount64();
        const ULONGLONG took = timedPerform(request, result);
        EXPECT_FALSE(result) << c.label;
        EXPECT_LT(took, c.mostMs) << c.label;
        EXPECT_EQ(server.requestCount(), 1) << c.label;
        // The caller has stopped waiting; the connection goes too, at the latest when the
        // blocked call sees the server's next byte.
        const ULONGLONG mostHangUp = start + c.mostMs + c.byteEveryMs;
        const ULONGLONG hungUp = firstHangUp(server, mostHangUp + 1000);
        EXPECT_NE(hungUp, 0u) << c.label << ": the connection was held after the exchange ended";
        EXPECT_LT(hungUp, mostHangUp) << c.label;
    }
}

// Damaged replies found by mutating a real update reply, each the whole byte stream a server
// sent (status line and headers included): each ends in a failure or a reply, never in a crash
// or a wait beyond the deadline, and each attempt goes out on a connection of its own.
TEST_F(HttpRequestTest, DamagedRepliesFromTheFuzzRunEndWithinTheDeadline) {
    const std::wstring folder = testfiles::sharedPath(L"fuzz-found/http-replies");
    const std::vector<std::wstring> names = testfiles::filesIn(folder);
    if (names.empty())
        GTEST_SKIP() << "no damaged replies at ../shared/fuzz-found/http-replies";
    HttpLimits limits;
    limits.receiveMs = 1500;
    limits.deadlineMs = 4000;
    for (const std::wstring& name : names) {
        const std::string bytes = testfiles::readText(folder + L"\\" + name);
        ASSERT_FALSE(bytes.empty());
        LoopbackHttpServer server({bytes});
        ASSERT_TRUE(server.listening());
        HttpRequest request;
        request.setRequestUrl(server.url(L"/update/info.php"));
        request.setLimits(limits);
        bool result = false;
        const ULONGLONG took = timedPerform(request, result);
        EXPECT_LT(took, static_cast<ULONGLONG>(limits.deadlineMs) + 1000) << name;
        EXPECT_EQ(result, request.hasResponse() && !request.responseText().empty()) << name;
        EXPECT_GE(server.requestCount(), 1) << name;
        EXPECT_LE(server.requestCount(), 3) << name;
    }
}
