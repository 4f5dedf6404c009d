#include "viewer/TmxViewerForm.h"

#include "core/http/HttpExchange.h"
#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/tests/TestFiles.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/WindowCapture.h"
#include "ui_toolkit/tests/RealInput.h"
#include "viewer/TmxViewerResultsBox.h"
#include "viewer/UpdateChecker.h"
#include "viewer/tests/UpdateTestSupport.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>


// The update check runs on the job pool without disabling anything. Against a server that
// accepts the request and never answers, the window stays usable: a search typed meanwhile
// runs at once on another pool thread, not behind the waiting check, and the check itself
// gives up within its time-out and shows nothing.
TEST(UpdateCheckWindowTest, ASearchRunsAtOnceWhileTheCheckWaitsOnASilentServer) {
    clearProxyEnvironment();
    Settings::global().clear();
    Localization::instance().setLanguage(L"English");
    testfiles::TempDir dir(L"update-window");
    std::vector<std::wstring> boxes;
    {
        LoopbackHttpServer server({}, LoopbackHttpServer::Mode::Silent);
        ASSERT_TRUE(server.listening());
        auto form = std::make_unique<TmxViewerForm>();
        form->setUpdateChecker(std::make_unique<UpdateChecker>(*form, server.url(L""), Settings::global(),
                                                              dir.file(L"Varnel.cfg")));
        form->updateChecker().seams.showMessage = [&boxes](const std::wstring& text, const std::wstring&, UINT) {
            boxes.push_back(text);
            return IDNO;
        };
        ShowWindow(form->hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(form->hwnd);
        pumpQueued(); // the ready step starts the check
        ASSERT_TRUE(pumpUntil([&] { return server.requestCount() >= 1; }, 10000));
        ASSERT_TRUE(form->updateChecker().isRunning());

        form->load(copySample(dir.path()));
        ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->provider(); }, 30000));
        EXPECT_TRUE(IsWindowEnabled(form->hwnd));

        // Click into the search field, type, press Enter.
        RECT field = {};
        GetClientRect(form->searchField()->hwnd, &field);
        realinput::click(form->searchField()->hwnd, field.right / 2, field.bottom / 2);
        pumpUntil([&] { return GetFocus() == form->searchField()->hwnd; }, 2000);
        ASSERT_EQ(GetFocus(), form->searchField()->hwnd);
        realinput::pressKeys({'F', 'I', 'L', 'E'});
        realinput::pressKeys({VK_RETURN});
        const ULONGLONG typed = GetTickCount64();
        ASSERT_TRUE(pumpUntil([&] { return !form->resultsBox()->results().empty() && !form->busy(); }, 10000));
        // The results came while the check still waited: nothing queued behind it.
        EXPECT_TRUE(form->updateChecker().isRunning());
        EXPECT_LT(GetTickCount64() - typed, 5000u);
        EXPECT_EQ(form->searchField()->text(), L"file");
        pumpUntil([] { return false; }, 300);
        ASSERT_TRUE(winui::writeWindowPng(form->hwnd, L"update_check_silent_server_search.png"));

        // The check gives up by its receive time-out and shows nothing.
        const HttpLimits limits;
        EXPECT_TRUE(pumpUntil([&] { return !form->updateChecker().isRunning(); },
                              static_cast<DWORD>(limits.receiveMs) + 3000));
        EXPECT_EQ(server.requestCount(), 1);
        SendMessageW(form->hwnd, WM_CLOSE, 0, 0);
        form.reset();
        pumpQueued();
    }
    EXPECT_TRUE(boxes.empty());
    Settings::global().clear();
}
