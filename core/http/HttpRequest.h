#pragma once

#include "core/http/HttpExchange.h"
#include "core/http/UrlEncoding.h"

#include <cstddef>
#include <string>
#include <vector>

// A GET (or POST) request with form-encoded query parameters and its reply as UTF-16 text.
// Blocks its thread for the whole exchange; one object serves one thread at a time.
class HttpRequest {
public:
    // Room for a built request URL, terminating NUL included.
    static constexpr std::size_t kRequestUrlRoom = 2000;

    HttpRequest() = default;

    // The URL that perform sends. Empty until perform builds it from the base URL and the
    // parameters; a URL set here is sent as it stands.
    const std::wstring& requestUrl() const { return requestUrl_; }
    void setRequestUrl(const std::wstring& url) { requestUrl_ = url; }

    // Scheme, host and path, without query.
    const std::wstring& baseUrl() const { return baseUrl_; }
    void setBaseUrl(const std::wstring& url) { baseUrl_ = url; }

    // Empty means "Mozilla/5.0 (compatible)".
    const std::wstring& userAgent() const { return userAgent_; }
    void setUserAgent(const std::wstring& agent) { userAgent_ = agent; }

    int post() const { return post_; }
    void setPost(int post) { post_ = post; }

    // Time-outs and the whole exchange's deadline; the defaults unless set.
    const HttpLimits& limits() const { return limits_; }
    void setLimits(const HttpLimits& limits) { limits_ = limits; }

    // Appends the pair after the ones added before. False only when memory ran out.
    bool addParameter(const std::wstring& name, const std::wstring& value);
    const std::vector<HttpParameter>& parameters() const { return parameters_; }

    // Runs the exchange. True when a reply text of at least one unit was kept. Building the
    // URL needs at least one parameter and a base URL that fits the room.
    bool perform();

    bool hasResponse() const { return hasResponse_; }
    // The reply up to its first NUL; empty when there is none.
    const std::wstring& responseText() const { return response_; }
    std::size_t responseLength() const { return response_.size(); }

private:
    std::wstring requestUrl_;
    std::wstring baseUrl_;
    std::wstring userAgent_;
    int post_ = 0;
    HttpLimits limits_;
    std::wstring response_;
    bool hasResponse_ = false;
    std::vector<HttpParameter> parameters_;
};
