#pragma once

#include <cstddef>
#include <optional>
#include <string>

// One synchronous HTTP exchange over WinHTTP, with up to three attempts. The reply is
// untrusted: at most kHttpMaxBodyBytes of body are taken, and a reply that is larger, that cannot
// be read to its end, or that is not valid in its encoding is refused, never cut or guessed.
// Returns the body as UTF-16 text when it has more than kHttpMinReplyUnits units; none otherwise.
std::optional<std::wstring> httpExchange(const std::wstring& url, int post,
                                         const std::wstring& userAgent);

// At most this much body is taken (the receive buffer is one byte larger); more is refused.
constexpr std::size_t kHttpMaxBodyBytes = 0xFFFFF;
// Replies this short (in UTF-16 units) are taken for a failed exchange and asked for again.
constexpr std::size_t kHttpMinReplyUnits = 100;
