#include "core/settings/Settings.h"
#include "ui_toolkit/values/Rect.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

struct FoundWindow {
    DWORD process;
    HWND window;
};

BOOL CALLBACK findCaptionedSample(HWND window, LPARAM parameter) {
    auto* found = reinterpret_cast<FoundWindow*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    if (owner == found->process && std::wstring(caption) == L"sample" && IsWindowVisible(window)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

// The built program, started from a folder of its own on a copy of the sample: it opens the
// file from its command line, and closing its window ends it with code 0 and a settings file
// that holds the window's place.
TEST(VarnelProgramTest, OpensTheSampleFromItsCommandLineAndSavesItsSettings) {
    const std::wstring folder = makeScratchFolder(L"varnel-run");
    const std::wstring program = folder + L"\\Varnel.exe";
    ASSERT_TRUE(CopyFileW(L"" VARNEL_EXE_PATH, program.c_str(), FALSE));
    const std::wstring sample = copySample(folder);
    const std::wstring settingsPath = folder + L"\\Varnel.cfg";
    {
        Settings seeded;
        seeded.set<bool>(L"disableUpdateChecks", true);
        ASSERT_TRUE(seeded.saveFile(settingsPath));
    }

    std::wstring commandLine = L"\"" + program + L"\" \"" + sample + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               folder.c_str(), &startup, &started));
    FoundWindow found = {started.dwProcessId, nullptr};
    for (int i = 0; i < 600 && !found.window; ++i) {
        if (WaitForSingleObject(started.hProcess, 50) == WAIT_OBJECT_0)
            break;
        EnumWindows(findCaptionedSample, reinterpret_cast<LPARAM>(&found));
    }
    EXPECT_NE(found.window, nullptr) << "no window captioned \"sample\"";
    if (found.window)
        PostMessageW(found.window, WM_CLOSE, 0, 0);
    else
        TerminateProcess(started.hProcess, 99);
    ASSERT_EQ(WaitForSingleObject(started.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(started.hProcess, &exitCode);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    EXPECT_EQ(exitCode, 0u);

    Settings saved;
    ASSERT_TRUE(saved.loadFile(settingsPath));
    EXPECT_TRUE(saved.contains(L"mainFormRect"));
    const winui::Rect place = saved.get<winui::Rect>(L"mainFormRect", winui::Rect());
    EXPECT_GT(place.width(), 0);
    EXPECT_TRUE(saved.get<bool>(L"disableUpdateChecks", false));

    for (const wchar_t* name : {L"\\Varnel.exe", L"\\Varnel.cfg", L"\\sample.tmx", L"\\sample.tmx.idx"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
}
