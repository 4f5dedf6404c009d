#include "viewer/UpdateChecker.h"

#include "core/l10n/Localization.h"
#include "core/tests/ByteMutator.h"
#include "core/tests/TestFiles.h"
#include "ui_toolkit/Form.h"
#include "viewer/tests/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint64_t kSecond = 10000000;
constexpr uint64_t kHour = 3600 * kSecond;
constexpr uint64_t kDay = 24 * kHour;

FT now() {
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    return FT::fromFileTime(time);
}

// Handles messages until the condition holds; bounded, so a fault fails the test instead of
// hanging it.
bool pumpUntil(const std::function<bool()>& condition, int rounds = 3000) {
    for (int i = 0; i < rounds && !condition(); ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    return condition();
}

struct Box {
    std::wstring text;
    std::wstring caption;
    UINT type;
};


class UpdateCheckerTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearProxyEnvironment();
        ASSERT_TRUE(Winsock::get().ready());
        Localization::instance().setLanguage(L"English");
        owner_ = std::make_unique<winui::Form>(nullptr, 200, 100, 0);
    }

    // A checker as one program start makes it: the settings read from the file first.
    std::unique_ptr<UpdateChecker> startProgram(const LoopbackHttpServer& server) {
        settings_ = std::make_unique<Settings>();
        settings_->loadFile(cfg());
        auto checker = std::make_unique<UpdateChecker>(*owner_, server.url(L""), *settings_, cfg());
        checker->seams.showMessage = [this](const std::wstring& text, const std::wstring& caption,
                                            UINT type) {
            boxes_.push_back({text, caption, type});
            return answer_;
        };
        checker->seams.openLink = [this](const std::wstring& link) { opened_.push_back(link); };
        return checker;
    }

    void seedSettings(const std::function<void(Settings&)>& fill) {
        Settings seed;
        fill(seed);
        ASSERT_TRUE(seed.saveFile(cfg()));
    }

    void runCheck(UpdateChecker& checker) {
        checker.start();
        ASSERT_TRUE(pumpUntil([&] { return !checker.isRunning(); }));
    }

    std::wstring cfg() const { return dir_.file(L"Varnel.cfg"); }

    testfiles::TempDir dir_{L"update"};
    std::unique_ptr<winui::Form> owner_;
    std::unique_ptr<Settings> settings_;
    std::vector<Box> boxes_;
    std::vector<std::wstring> opened_;
    int answer_ = IDNO;
};

TEST_F(UpdateCheckerTest, AFirstStartAsksOnceAndASecondStartThatDayAsksNothing) {
    LoopbackHttpServer server({updateReply(announcement("2014-06", "Version 1.3 is out.", "http://x.invalid/news"))});
    ASSERT_TRUE(server.listening());
    std::unique_ptr<UpdateChecker> checker = startProgram(server);
    const FT before = now();
    checker->start();
    EXPECT_TRUE(checker->isRunning());
    // The date is stored on this thread before the request goes out, so a failed one counts.
    EXPECT_GE(settings_->get<FT>(L"lastUpdateCheckDate", FT()).value, before.value);
    checker->start(); // a second request while one runs is ignored
    ASSERT_TRUE(pumpUntil([&] { return !checker->isRunning(); }));

    EXPECT_EQ(server.requestCount(), 1);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(requestLine(server.requests()[0]), "GET /update/info.php?cv=1.2&lang=en HTTP/1.1");
    // The file is written while the window is still open, not only at exit.
    ASSERT_TRUE(testfiles::exists(cfg()));
    Settings stored;
    ASSERT_TRUE(stored.loadFile(cfg()));
    EXPECT_GE(stored.get<FT>(L"lastUpdateCheckDate", FT()).value, before.value);
    EXPECT_EQ(stored.get<std::wstring>(L"lastUpdateAnnouncementID", L""), L"2014-06");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, L"Version 1.3 is out. Would you like to learn more?");
    EXPECT_EQ(boxes_[0].caption, L"Update Check");
    EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
    EXPECT_TRUE(opened_.empty()); // answered No

    checker.reset();
    checker = startProgram(server);
    checker->start();
    EXPECT_FALSE(checker->isRunning());
    pumpUntil([] { return false; }, 5);
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_TRUE(testfiles::exists(cfg()));
}

TEST_F(UpdateCheckerTest, AsksOnlyWhenAWeekHasPassedAndChecksAreOn) {
    struct Case {
        const char* name;
        int64_t age; // of the stored date, in FILETIME units
        bool disabled;
        bool asks;
    };
    const Case cases[] = {
        {"7 days and 1 second", static_cast<int64_t>(7 * kDay + kSecond), false, true},
        {"6 days 23 hours", static_cast<int64_t>(6 * kDay + 23 * kHour), false, false},
        {"clock set back a day", -static_cast<int64_t>(kDay), false, false},
        {"checks switched off", static_cast<int64_t>(30 * kDay), true, false},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server({updateReply(announcement("1", "Text", "http://x.invalid/"))});
        ASSERT_TRUE(server.listening());
        const FT stored(now().value - static_cast<uint64_t>(c.age));
        seedSettings([&](Settings& s) {
            s.set<FT>(L"lastUpdateCheckDate", stored);
            if (c.disabled)
                s.set<bool>(L"disableUpdateChecks", true);
        });
        std::unique_ptr<UpdateChecker> checker = startProgram(server);
        runCheck(*checker);
        EXPECT_EQ(server.requestCount(), c.asks ? 1 : 0) << c.name;
        const FT after = settings_->get<FT>(L"lastUpdateCheckDate", FT());
        EXPECT_EQ(after != stored, c.asks) << c.name;
        // A skipped check writes the settings too.
        EXPECT_TRUE(testfiles::exists(cfg())) << c.name;
    }
}

TEST_F(UpdateCheckerTest, TheAnnouncementBoxOffersOnlyUnseenWebLinks) {
    struct Case {
        const char* name;
        std::string stored;
        std::string reply;
        int answer;
        std::vector<UINT> boxes;
        std::vector<std::wstring> opened;
        std::wstring storedAfter;
    };
    const UINT yesNo = MB_YESNO | MB_ICONINFORMATION;
    const UINT ok = MB_OK | MB_ICONINFORMATION;
    const Case cases[] = {
        {"Yes opens the link", "2014-05", announcement("2014-06", "News", " https://x.invalid/a?b=1&amp;c=2 "),
         IDYES, {yesNo}, {L"https://x.invalid/a?b=1&c=2"}, L"2014-06"},
        {"No opens nothing", "", announcement("2014-06", "News", "http://x.invalid/"), IDNO, {yesNo}, {},
         L"2014-06"},
        {"seen before", "2014-06", announcement("2014-06", "News", "http://x.invalid/"), IDYES, {}, {},
         L"2014-06"},
        {"compared as text", "9", announcement("10", "News", "http://x.invalid/"), IDYES, {}, {}, L"9"},
        {"a program path is never opened", "", announcement("3", "News", "C:\\Windows\\system32\\calc.exe"),
         IDYES, {ok}, {}, L"3"},
        {"a share is never opened", "", announcement("4", "News", "\\\\host\\share\\x.exe"), IDYES, {ok}, {},
         L"4"},
        {"an id without a link", "", "<AnnouncementID>5</AnnouncementID><NewVersionInfo>News</NewVersionInfo>",
         IDYES, {}, {}, L"5"},
        {"malformed after the id", "", "<AnnouncementID>6</AnnouncementID><NewVersionInfo>x<!-- never closed", IDYES,
         {}, {}, L""},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server({updateReply(c.reply)});
        ASSERT_TRUE(server.listening());
        seedSettings([&](Settings& s) {
            if (!c.stored.empty())
                s.set<std::wstring>(L"lastUpdateAnnouncementID", testfiles::widen(c.stored.c_str()));
        });
        boxes_.clear();
        opened_.clear();
        answer_ = c.answer;
        std::unique_ptr<UpdateChecker> checker = startProgram(server);
        runCheck(*checker);
        std::vector<UINT> types;
        for (const Box& box : boxes_)
            types.push_back(box.type);
        EXPECT_EQ(types, c.boxes) << c.name;
        if (!boxes_.empty() && boxes_[0].type == ok) {
            EXPECT_EQ(boxes_[0].text, L"News") << c.name;
        }
        EXPECT_EQ(opened_, c.opened) << c.name;
        EXPECT_EQ(settings_->get<std::wstring>(L"lastUpdateAnnouncementID", L""), c.storedAfter) << c.name;
    }
}

TEST_F(UpdateCheckerTest, ABuildWithoutAnEndpointChecksNothingAndWritesNothing) {
    Settings settings;
    UpdateChecker checker(*owner_, L"http://update.varnel.invalid", settings, cfg());
    checker.start();
    EXPECT_FALSE(checker.isRunning());
    EXPECT_FALSE(settings.contains(L"lastUpdateCheckDate"));
    EXPECT_FALSE(testfiles::exists(cfg()));
}

TEST_F(UpdateCheckerTest, ClosingWhileTheServerNeverAnswersLeavesTheJobToEndByItself) {
    bool freed = false;
    {
        LoopbackHttpServer server({}, LoopbackHttpServer::Mode::Silent);
        ASSERT_TRUE(server.listening());
        std::unique_ptr<UpdateChecker> checker = startProgram(server);
        checker->seams.makeJob = [&freed](const std::wstring& endpoint, const std::wstring& code) {
            return std::unique_ptr<UpdateCheckJob>(new WatchedJob(endpoint, code, freed));
        };
        checker->start();
        ASSERT_TRUE(checker->isRunning());
        ASSERT_TRUE(pumpUntil([&] { return server.requestCount() >= 1; }));
        // The window goes while the job waits on the network: the job is not freed under its
        // thread, and its end shows nothing.
        checker.reset();
        owner_.reset();
        pumpUntil([] { return false; }, 10);
        EXPECT_FALSE(freed);
    }
    // The server has gone: the exchange fails, the job ends and frees itself.
    EXPECT_TRUE(pumpUntil([&] { return freed; }));
    EXPECT_TRUE(boxes_.empty());
}

// Damaged replies found by mutating a real one, each the whole byte stream a server sent:
// replayed against the real client, none crashes, none hangs, and none stores or shows an
// announcement.
TEST_F(UpdateCheckerTest, DamagedRepliesFromTheFuzzRunStoreAndShowNothing) {
    const std::wstring folder = testfiles::sharedPath(L"fuzz-found/http-replies");
    const std::vector<std::wstring> names = testfiles::filesIn(folder);
    if (names.empty())
        GTEST_SKIP() << "no damaged replies at ../shared/fuzz-found/http-replies";
    for (const std::wstring& name : names) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        DeleteFileW(cfg().c_str());
        boxes_.clear();
        LoopbackHttpServer server({testfiles::readText(folder + L"\\" + name)});
        ASSERT_TRUE(server.listening());
        std::unique_ptr<UpdateChecker> checker = startProgram(server);
        runCheck(*checker);
        EXPECT_GE(server.requestCount(), 1);
        EXPECT_TRUE(boxes_.empty());
        EXPECT_EQ(settings_->get<std::wstring>(L"lastUpdateAnnouncementID", L""), L"");
    }
}

// Seeded mutants of a whole real reply, from the status line to the body's end, against the
// real client: each check ends, and a box, if any, stays of a size a screen can show.
TEST_F(UpdateCheckerTest, MutantsOfARealReplyEndAndShowBoundedText) {
    const std::string original = updateReply(
        announcement("2025-02-01", "A new version is available: 2.0 with faster search.",
                     "https://example.invalid/news/2.0"));
    ByteMutator mutator(77);
    const int kMutants = 60;
    for (int i = 0; i < kMutants; ++i) {
        SCOPED_TRACE(i);
        DeleteFileW(cfg().c_str());
        boxes_.clear();
        LoopbackHttpServer server({mutator.mutate(original)});
        ASSERT_TRUE(server.listening());
        std::unique_ptr<UpdateChecker> checker = startProgram(server);
        runCheck(*checker);
        ASSERT_LE(boxes_.size(), 1u);
        if (!boxes_.empty()) {
            EXPECT_LE(boxes_[0].text.size(), kMaxAnnouncementChars + 64);
        }
    }
}

} // namespace
