#include "core/settings/Settings.h"
#include "core/tests/ProgramRun.h"
#include "ui_toolkit/values/Rect.h"
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
