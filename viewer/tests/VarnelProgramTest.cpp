#include "core/settings/Settings.h"
#include "core/tests/ProgramRun.h"
#include "ui_toolkit/values/Rect.h"
#include "ui_toolkit/WindowCapture.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// Starts a copy of the built program in the folder on the file and closes its window once it
// shows the file's name. The program's exit code; 99 when no such window appeared.
DWORD runVarnel(const std::wstring& folder, const std::wstring& file) {
    const std::wstring program = folder + L"\\Varnel.exe";
    if (!CopyFileW(L"" VARNEL_EXE_PATH, program.c_str(), FALSE))
        return 98;
    const programtest::ProgramRun run =
        programtest::runProgramUntilClosed(program, L"\"" + file + L"\"", folder, L"sample");
    if (!run.started)
        return 97;
    if (!run.windowShown)
        return 99;
    return run.exited ? run.exitCode : 96;
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

namespace {

struct ChildBounds {
    RECT client = {};
    RECT largest = {};   // the results box
    RECT button = {};    // the "Search" button
    bool allInside = true;
};

struct ChildWalk {
    HWND window;
    ChildBounds* bounds;
    long largestArea;
};

BOOL CALLBACK visitChild(HWND child, LPARAM param) {
    auto* w = reinterpret_cast<ChildWalk*>(param);
    if (GetParent(child) != w->window || !IsWindowVisible(child))
        return TRUE;
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, w->window, reinterpret_cast<POINT*>(&r), 2);
    const RECT& c = w->bounds->client;
    if (r.left < 0 || r.top < 0 || r.right > c.right || r.bottom > c.bottom || r.right <= r.left)
        w->bounds->allInside = false;
    const long area = (r.right - r.left) * (r.bottom - r.top);
    if (area > w->largestArea) {
        w->largestArea = area;
        w->bounds->largest = r;
    }
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, L"Button") == 0)
        w->bounds->button = r;
    return TRUE;
}

ChildBounds readChildBounds(HWND window) {
    ChildBounds bounds;
    GetClientRect(window, &bounds.client);
    ChildWalk walk = {window, &bounds, -1};
    EnumChildWindows(window, visitChild, reinterpret_cast<LPARAM>(&walk));
    return bounds;
}

// The controls stand where the layout puts them for the client area the window has now.
void expectLaidOut(HWND window, const char* state) {
    SCOPED_TRACE(state);
    const ChildBounds b = readChildBounds(window);
    EXPECT_TRUE(b.allInside);
    EXPECT_EQ(b.largest.left, 12);
    EXPECT_EQ(b.largest.right, b.client.right - 12);
    EXPECT_EQ(b.largest.bottom, b.client.bottom - 12);
    EXPECT_EQ(b.button.right, b.client.right - 12);
}

void settle(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
}

} // namespace

// The built program in each state it can start in: the controls are laid out for the window's
// size from the start, and again after restoring and maximising it.
TEST(VarnelProgramTest, EveryStartStateLaysOutTheControls) {
    struct Start {
        const char* name;
        bool maximized;
        bool withRect;
        winui::Rect rect;
    } starts[] = {
        {"normal", false, false, winui::Rect()},
        {"maximised", true, false, winui::Rect()},
        {"stored place", false, true, winui::Rect(60, 40, 900, 700)},
        {"stored place, maximised", true, true, winui::Rect(60, 40, 900, 700)},
        {"place off the desktop", false, true, winui::Rect(6000, 5000, 6800, 5600)},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.name);
        const std::wstring folder = makeScratchFolder(L"varnel-start");
        const std::wstring sample = copySample(folder);
        const std::wstring program = folder + L"\\Varnel.exe";
        ASSERT_TRUE(CopyFileW(L"" VARNEL_EXE_PATH, program.c_str(), FALSE));
        Settings seeded;
        seeded.set<bool>(L"disableUpdateChecks", true);
        seeded.set<bool>(L"mainFormMaximized", start.maximized);
        if (start.withRect)
            seeded.set<winui::Rect>(L"mainFormRect", start.rect);
        ASSERT_TRUE(seeded.saveFile(folder + L"\\Varnel.cfg"));

        bool maximizedSeen = false;
        const programtest::ProgramRun run = programtest::runProgramUntilClosed(
            program, L"\"" + sample + L"\"", folder, L"sample", [&](HWND window) {
                settle(600);
                maximizedSeen = IsZoomed(window) != FALSE;
                expectLaidOut(window, "as started");
                if (start.maximized && start.withRect)
                    winui::writeWindowPng(window, L"varnel_start_maximized.png");
                ShowWindow(window, maximizedSeen ? SW_RESTORE : SW_MAXIMIZE);
                settle(400);
                expectLaidOut(window, maximizedSeen ? "restored" : "maximised");
                ShowWindow(window, maximizedSeen ? SW_MAXIMIZE : SW_RESTORE);
                settle(400);
                expectLaidOut(window, maximizedSeen ? "maximised again" : "restored");
            });
        EXPECT_TRUE(run.windowShown);
        EXPECT_EQ(maximizedSeen, start.maximized);
        EXPECT_TRUE(run.exited);
        for (const wchar_t* name : {L"\\Varnel.exe", L"\\Varnel.cfg", L"\\sample.tmx", L"\\sample.tmx.idx"})
            DeleteFileW((folder + name).c_str());
        RemoveDirectoryW(folder.c_str());
    }
}
