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

// Starts a copy of the built program in the folder on the file and closes its window once it
// shows the file's name. The program's exit code; 99 when no such window appeared.
DWORD runVarnel(const std::wstring& folder, const std::wstring& file) {
    const std::wstring program = folder + L"\\Varnel.exe";
    if (!CopyFileW(L"" VARNEL_EXE_PATH, program.c_str(), FALSE))
        return 98;
    std::wstring commandLine = L"\"" + program + L"\" \"" + file + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started))
        return 97;
    FoundWindow found = {started.dwProcessId, nullptr};
    for (int i = 0; i < 600 && !found.window; ++i) {
        if (WaitForSingleObject(started.hProcess, 50) == WAIT_OBJECT_0)
            break;
        EnumWindows(findCaptionedSample, reinterpret_cast<LPARAM>(&found));
    }
    if (found.window)
        PostMessageW(found.window, WM_CLOSE, 0, 0);
    else
        TerminateProcess(started.hProcess, 99);
    DWORD exitCode = 96;
    if (WaitForSingleObject(started.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(started.hProcess, &exitCode);
    else
        TerminateProcess(started.hProcess, 96);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return exitCode;
}

} // namespace

// The built program, started from a folder of its own on a copy of the sample: it opens the
// file from its command line, and closing its window ends it with code 0 and a settings file
// that holds the window's place, whatever settings file it found.
TEST(VarnelProgramTest, OpensTheSampleFromItsCommandLineAndSavesItsSettings) {
    enum class Seed { UpdatesOff, UnknownStyleAndLanguage, Damaged };
    const Seed seeds[] = {Seed::UpdatesOff, Seed::UnknownStyleAndLanguage, Seed::Damaged};
    for (Seed seed : seeds) {
        SCOPED_TRACE(static_cast<int>(seed));
        const std::wstring folder = makeScratchFolder(L"varnel-run");
        const std::wstring sample = copySample(folder);
        const std::wstring settingsPath = folder + L"\\Varnel.cfg";
        if (seed == Seed::Damaged) {
            HANDLE file = CreateFileW(settingsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, "\x07\x00not a settings file", 22, &written, nullptr);
            CloseHandle(file);
        } else {
            Settings seeded;
            seeded.set<bool>(L"disableUpdateChecks", true);
            if (seed == Seed::UnknownStyleAndLanguage) {
                seeded.set<std::wstring>(L"UIStyle", L"NoSuchStyle");
                seeded.set<std::wstring>(L"UILanguage", L"NoSuchLanguage");
            }
            ASSERT_TRUE(seeded.saveFile(settingsPath));
        }

        EXPECT_EQ(runVarnel(folder, sample), 0u);

        Settings saved;
        ASSERT_TRUE(saved.loadFile(settingsPath));
        const winui::Rect place = saved.get<winui::Rect>(L"mainFormRect", winui::Rect());
        EXPECT_GT(place.width(), 0);
        EXPECT_GT(place.height(), 0);
        EXPECT_EQ(saved.get<bool>(L"disableUpdateChecks", false), seed != Seed::Damaged);

        for (const wchar_t* name : {L"\\Varnel.exe", L"\\Varnel.cfg", L"\\sample.tmx", L"\\sample.tmx.idx"})
            DeleteFileW((folder + name).c_str());
        RemoveDirectoryW(folder.c_str());
    }
}
