#include "core/settings/Settings.h"
#include "core/tests/ProgramRun.h"
#include "core/tests/TestFiles.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/WindowCapture.h"
#include "ui_toolkit/tests/RealInput.h"
#include "ui_toolkit/values/Rect.h"
#include "tmx_engine/SegmentElement.h"
#include "viewer/DocumentView.h"
#include "viewer/documents/XliffContentProvider.h"
#include "viewer/tests/DocumentViewTestSupport.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

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

struct EditSearch {
    HWND found = nullptr;
    static BOOL CALLBACK visit(HWND window, LPARAM parameter) {
        wchar_t name[32] = {};
        GetClassNameW(window, name, 32);
        if (IsWindowVisible(window) && lstrcmpiW(name, L"Edit") == 0) {
            reinterpret_cast<EditSearch*>(parameter)->found = window;
            return FALSE;
        }
        return TRUE;
    }
};

} // namespace

// The built program on a copy of a real memory: a word that ends a line in a segment is found,
// and the hit shows on lines of its own. The screenshot is there to be looked at.
TEST(VarnelProgramTest, FindsAWordAtALineEndOfARealMemory) {
    const std::wstring corpus = testfiles::corpusPath(L"multi-b.tmx");
    if (GetFileAttributesW(corpus.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "../shared/corpus is absent: the real memory is not tried";
    const std::wstring folder = makeScratchFolder(L"varnel-lines");
    const std::wstring program = folder + L"\\Varnel.exe";
    const std::wstring memory = folder + L"\\multi-b.tmx";
    ASSERT_TRUE(CopyFileW(L"" VARNEL_EXE_PATH, program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(corpus.c_str(), memory.c_str(), FALSE));
    Settings seeded;
    seeded.set<bool>(L"disableUpdateChecks", true);
    ASSERT_TRUE(seeded.saveFile(folder + L"\\Varnel.cfg"));

    const realinput::CursorKeeper cursor;
    const std::wstring png = L"varnel_multi_b_line_breaks.png";
    DeleteFileW(png.c_str());
    bool searched = false;
    const programtest::ProgramRun run = programtest::runProgramUntilClosed(
        program, L"\"" + memory + L"\"", folder, L"multi-b", [&](HWND window) {
            SetForegroundWindow(window);
            EditSearch search;
            EnumChildWindows(window, &EditSearch::visit, reinterpret_cast<LPARAM>(&search));
            if (!search.found)
                return;
            RECT field = {};
            GetClientRect(search.found, &field);
            realinput::click(search.found, field.right / 2, field.bottom / 2);
            programtest::waitPumping(GetCurrentProcess(), 300);
            // "botched" ends the second line of "\r\nmalloc: %s:%d: assertion botched\r\n", a
            // unit that has the first language of the list ("ca").
            realinput::pressKeys({'B', 'O', 'T', 'C', 'H', 'E', 'D', VK_RETURN});
            programtest::waitPumping(GetCurrentProcess(), 3000);
            searched = winui::writeWindowPng(window, png);
        });
    EXPECT_TRUE(run.windowShown);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_TRUE(searched);
    const std::string bytes = testfiles::readText(png);
    winui::Image decoded(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_GT(decoded.width(), 0);
    for (const wchar_t* name : {L"\\Varnel.exe", L"\\Varnel.cfg", L"\\multi-b.tmx", L"\\multi-b.tmx.idx"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

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

namespace {

struct ChildSearch {
    std::vector<HWND> multiLineEdits;
    static BOOL CALLBACK visit(HWND window, LPARAM parameter) {
        auto* search = reinterpret_cast<ChildSearch*>(parameter);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (lstrcmpiW(name, L"Edit") == 0 && IsWindowVisible(window) &&
            (GetWindowLongW(window, GWL_STYLE) & ES_MULTILINE))
            search->multiLineEdits.push_back(window);
        return TRUE;
    }
};

} // namespace

// The built program started on a real XLIFF document shows its rows in the document view, with
// the first row's target in the field, and closes with code 0.
TEST(VarnelProgramTest, OpensADocumentFromItsCommandLineAndShowsItsRows) {
    const std::wstring corpus = documenttest::corpusDocument(L"sed-en-de.xlf");
    if (corpus.empty())
        GTEST_SKIP() << "../shared/corpus is not beside the project: the real documents are missing";
    documenttest::WorkFolder folder(L"varnel-document");
    const std::wstring program = folder.file(L"Varnel.exe");
    ASSERT_TRUE(CopyFileW(L"" VARNEL_EXE_PATH, program.c_str(), FALSE));
    Settings seeded;
    seeded.set<bool>(L"disableUpdateChecks", true);
    ASSERT_TRUE(seeded.saveFile(folder.file(L"Varnel.cfg")));
    const std::wstring copy = folder.file(L"sed-en-de.xlf");
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(CopyFileW(corpus.c_str(), copy.c_str(), FALSE));
    const std::string before = testfiles::readText(copy);

    XliffContentProvider expected(copy);
    ASSERT_GT(expected.rowCount(), 0);
    Segment firstTarget;
    expected.getTarget(0, firstTarget);
    const std::wstring field = DocumentView::fieldTextOf(firstTarget);

    std::vector<std::wstring> shownTexts;
    const programtest::ProgramRun run = programtest::runProgramUntilClosed(
        program, L"\"" + copy + L"\"", folder.path, L"Varnel", [&](HWND window) {
            // The document opens on the first turns of the program's message loop.
            for (int i = 0; i < 100; ++i) {
                ChildSearch search;
                EnumChildWindows(window, &ChildSearch::visit, reinterpret_cast<LPARAM>(&search));
                shownTexts.clear();
                for (HWND edit : search.multiLineEdits) {
                    // Asked of the edit itself: another process's GetWindowText reads only captions.
                    DWORD_PTR length = 0;
                    SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
                    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
                    DWORD_PTR copied = 0;
                    SendMessageTimeoutW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                                        SMTO_ABORTIFHUNG, 5000, &copied);
                    text.resize(static_cast<size_t>(copied));
                    shownTexts.push_back(text);
                }
                if (!shownTexts.empty())
                    break;
                programtest::waitPumping(GetCurrentProcess(), 100);
            }
            documenttest::settle(500);
            winui::writeWindowPng(window, L"varnel_document_command_line.png");
        });
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.windowShown);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(shownTexts, std::vector<std::wstring>{field});
    // Nothing was edited: the document is as it was.
    EXPECT_EQ(testfiles::readText(copy), before);
}
