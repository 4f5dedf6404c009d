#pragma once

#include <cstddef>
#include <optional>
#include <string>

// How long an exchange may wait on the network. Each step has its own limit, and the whole
// exchange, every attempt included, ends at the deadline: a server that answers slowly, byte by
// byte, cannot hold the calling thread longer than that, and its connection is closed no later
// than the next byte it sends after the deadline (or the receive limit, should none come).
struct HttpLimits {
    int resolveMs = 5000;
    int connectMs = 5000;
    int sendMs = 10000;
    // Between the request and the reply's head, and between any two pieces of the body.
    int receiveMs = 15000;
    unsigned deadlineMs = 30000;
};

// One synchronous HTTP exchange over WinHTTP, with up to three attempts, each on a connection
// and request of its own. The reply is untrusted: at most kHttpMaxBodyBytes of body are taken,
// and a reply that is larger, that cannot be read to its end, or that is not valid in its
// encoding is refused, never cut or guessed. A step that times out ends the exchange (asking a
// server that hangs again only hangs again), as does the deadline.
// Returns the body as UTF-16 text when it has more than kHttpMinReplyUnits units; none otherwise.
std::optional<std::wstring> httpExchange(const std::wstring& url, int post,
                                         const std::wstring& userAgent,
                                         const HttpLimits& limits = HttpLimits());

// At most this much body is taken (the receive buffer is one byte larger); more is refused.
constexpr std::size_t kHttpMaxBodyBytes = 0xFFFFF;
// Replies this short (in UTF-16 units) are taken for a failed exchange and asked for again.
constexpr std::size_t kHttpMinReplyUnits = 100;
