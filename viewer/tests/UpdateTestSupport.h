#pragma once

#include "core/tests/LoopbackHttpServer.h"
#include "viewer/UpdateCheckJob.h"

#include <string>

// An update reply document; the padding comment keeps it well past the client's minimum
// length, as the endpoint's pages are.
inline std::string updateXml(const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- " + std::string(120, 'x') +
           " -->\n<UpdateInfo>" + inner + "</UpdateInfo>\n";
}

inline std::string updateReply(const std::string& inner, const std::string& status = "200 OK") {
    return reply(updateXml(inner), "text/xml; charset=utf-8", status);
}

inline std::string announcement(const std::string& id, const std::string& info,
                                const std::string& link) {
    return "<AnnouncementID>" + id + "</AnnouncementID><NewVersionInfo>" + info +
           "</NewVersionInfo><MoreInfoURL>" + link + "</MoreInfoURL>";
}

inline std::string requestLine(const std::string& head) {
    return head.substr(0, head.find("\r\n"));
}

// A job that reports its own end, so a test sees when it is freed.
class WatchedJob : public UpdateCheckJob {
public:
    WatchedJob(const std::wstring& endpoint, const std::wstring& code, bool& freed)
        : UpdateCheckJob(endpoint, code), freed_(freed) {}
    ~WatchedJob() override { freed_ = true; }

private:
    bool& freed_;
};
