#include "viewer/UpdateCheckJob.h"

#include "viewer/tests/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class UpdateCheckJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearProxyEnvironment();
        ASSERT_TRUE(Winsock::get().ready());
    }
};

TEST_F(UpdateCheckJobTest, AsksOnceWithVersionAndLanguage) {
    LoopbackHttpServer server({updateReply(announcement("2014-06", "Version 1.3", "http://x.invalid/"))});
    ASSERT_TRUE(server.listening());
    UpdateCheckJob job(server.url(L""), L"en");
    job.run();
    const std::vector<std::string> seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(requestLine(seen[0]), "GET /update/info.php?cv=1.2&lang=en HTTP/1.1");
    EXPECT_TRUE(job.answered());
    EXPECT_TRUE(job.reply().wellFormed);
    EXPECT_EQ(job.reply().announcementId, L"2014-06");
    EXPECT_EQ(job.reply().newVersionInfo, L"Version 1.3");
    EXPECT_EQ(job.reply().moreInfoUrl, L"http://x.invalid/");
}

TEST_F(UpdateCheckJobTest, RepliesOfEveryKind) {
    struct Case {
        const char* name;
        std::string reply;
        int requests;
        bool answered;
        bool wellFormed;
        std::wstring id;
        std::wstring info;
        std::wstring link;
    };
    const Case cases[] = {
        {"UTF-8 text", updateReply(announcement("7", "Neu: Version 1.3 \xE2\x80\x93 sch\xC3\xB6n", "http://x.invalid/?a=1&amp;b=2")),
         1, true, true, L"7", L"Neu: Version 1.3 \u2013 sch\u00f6n", L"http://x.invalid/?a=1&b=2"},
        {"80 bytes", reply(std::string("<UpdateInfo><AnnouncementID>8</AnnouncementID></UpdateInfo>") +
                           std::string(20, ' ')),
         3, false, false, L"", L"", L""},
        {"malformed XML", updateReply("<AnnouncementID>9</AnnouncementID><NewVersionInfo>x<!-- never closed"), 1,
         true, false, L"", L"", L""},
        {"an id without a link", updateReply("<AnnouncementID>10</AnnouncementID>"), 1, true, true,
         L"10", L"", L""},
        {"a 500 page carrying the document",
         updateReply(announcement("11", "Text", "http://y.invalid/"), "500 Internal Server Error"), 1,
         true, true, L"11", L"Text", L"http://y.invalid/"},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server({c.reply});
        ASSERT_TRUE(server.listening());
        UpdateCheckJob job(server.url(L""), L"de");
        job.run();
        EXPECT_EQ(server.requestCount(), c.requests) << c.name;
        EXPECT_EQ(job.answered(), c.answered) << c.name;
        EXPECT_EQ(job.reply().wellFormed, c.wellFormed) << c.name;
        EXPECT_EQ(job.reply().announcementId, c.id) << c.name;
        EXPECT_EQ(job.reply().newVersionInfo, c.info) << c.name;
        EXPECT_EQ(job.reply().moreInfoUrl, c.link) << c.name;
    }
}

TEST_F(UpdateCheckJobTest, NoServerGivesNoAnswer) {
    std::wstring endpoint;
    {
        LoopbackHttpServer server({updateReply("")});
        ASSERT_TRUE(server.listening());
        endpoint = server.url(L"");
    }
    UpdateCheckJob job(endpoint, L"en");
    job.run();
    EXPECT_FALSE(job.answered());
    EXPECT_TRUE(job.reply().announcementId.empty());
}

} // namespace
