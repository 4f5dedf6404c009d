#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// One synchronous HTTP exchange over WinHTTP, with up to three attempts. The reply is
// untrusted: at most kMaxBodyBytes of body are taken, and a reply that is larger, that cannot
// be read to its end, or that is not valid in its encoding is refused, never cut or guessed.
// Returns the body as UTF-16 text when it has more than kMinReplyUnits units; none otherwise.
std::optional<std::wstring> httpExchange(const std::wstring& url, int post,
                                         const std::wstring& userAgent);

namespace http_detail {

constexpr std::size_t kReceiveBufferBytes = 0x100000;
constexpr std::size_t kMaxBodyBytes = kReceiveBufferBytes - 1;
// Replies this short are taken for a failed exchange (an empty or truncated answer).
constexpr std::size_t kMinReplyUnits = 100;
constexpr std::size_t kMaxCharsetUnits = 31;
// The system already limits response headers; this only bounds what a reply can make us
// allocate should it report more.
constexpr std::size_t kMaxHeaderBytes = 256 * 1024;
constexpr std::size_t kBodyCharsetWindow = 200;

// True when the raw CRLF header text names a charset containing "utf-8" (letter case ignored).
bool headersDeclareUtf8(const std::wstring& rawHeaders);
// True when "utf-8" or "UTF-8" occurs in the first kBodyCharsetWindow bytes of the body.
bool bodyDeclaresUtf8(const char* body, std::size_t length);
// The body as UTF-16: UTF-8 with invalid sequences refused, or the system ANSI code page.
// None when the conversion fails or the text has kMinReplyUnits units or fewer.
std::optional<std::wstring> decodeReply(const char* body, std::size_t length, bool utf8);

} // namespace http_detail
