#include "core/http/HttpRequest.h"

#include "core/http/HttpExchange.h"

#include <new>
#include <optional>

bool HttpRequest::addParameter(const std::wstring& name, const std::wstring& value) {
    try {
        parameters_.push_back(HttpParameter{name, value});
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool HttpRequest::perform() {
    response_.clear();
    hasResponse_ = false;
    try {
        if (requestUrl_.empty()) {
            if (parameters_.empty())
                return false;
            std::wstring url(kRequestUrlRoom, L'\0');
            const std::size_t length = buildRequestUrl(kRequestUrlRoom, baseUrl_, parameters_.data(),
                                                       parameters_.size(), &url[0]);
            if (length == 0)
                return false;
            url.resize(length);
            requestUrl_ = std::move(url);
        }

        std::optional<std::wstring> reply = httpExchange(requestUrl_, post_, userAgent_, limits_);
        if (!reply)
            return false;
        const std::size_t end = reply->find(L'\0');
        if (end != std::wstring::npos)
            reply->resize(end);
        response_ = std::move(*reply);
        hasResponse_ = true;
        return !response_.empty();
    } catch (const std::bad_alloc&) {
        response_.clear();
        hasResponse_ = false;
        return false;
    }
}
