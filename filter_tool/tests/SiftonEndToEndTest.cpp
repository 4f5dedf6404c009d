#include "filter_tool/ui/SiftonForm.h"

#include "core/app/Application.h"
#include "core/l10n/Localization.h"
#include "core/tests/ProgramRun.h"
#include "core/util/Win32Handle.h"
#include "filter_tool/tests/FilterTestSupport.h"
#include "filter_tool/tests/WindowTestSupport.h"
#include "tmx_engine/TmxFile.h"
#include "ui_toolkit/Toolkit.h"
#include "ui_toolkit/WindowCapture.h"

#include <gtest/gtest.h>

#include <string>

using filtertest::dataPath;
using filtertest::ScratchFolder;
using testfiles::readText;
using testfiles::writeText;
using namespace windowtest;

namespace {

// Screenshots go beside the test program, in the build folder, for a person to look at.
std::wstring buildFolderFile(const wchar_t* name) {
    return getDirectory(getModulePath()) + L"\\" + name;
}

// A new user's road: Browse to a TMX file, pick "de" by a double click, tick the box, Process,
// save into a folder of their own, read "FileSaved". Then the built program itself starts and
// closes.
TEST(SiftonEndToEndTest, ANewUserFiltersAFileAndTheProgramStartsAndCloses) {
    ScratchFolder folder;
    const std::wstring input = folder.file(L"memory.tmx");
    ASSERT_TRUE(writeText(input, readText(dataPath(L"utf16.tmx"))));
    const std::wstring output = folder.file(L"memory-de.tmx");

    winui::programBuild = winui::ProgramBuild::Tool;
    SiftonForm* form = new SiftonForm();
    applyStartStyle(*form);
    ScriptedChooser chooser;
    chooser.input = input;
    chooser.output = output;
    form->chooser = &chooser;
    ShowWindow(form->hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(form->hwnd);
    pumpPending();

    SendMessageW(form->browseButton->hwnd, BM_CLICK, 0, 0);
    pumpPending();
    EXPECT_EQ(input, form->pathEdit->text());

    SendMessageW(form->pickButton->hwnd, BM_CLICK, 0, 0);
    pumpPending();
    PickLanguageForm* picker = form->picker;
    ASSERT_TRUE(IsWindowVisible(picker->hwnd));
    EXPECT_TRUE(winui::writeWindowPng(picker->hwnd, buildFolderFile(L"sifton-picker.png")));
    const int32_t rowHeight = picker->grid->measuredRowHeight;
    SendMessageW(picker->grid->hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON,
                 MAKELPARAM(10, 3 * rowHeight + rowHeight / 2));
    pumpPending();
    EXPECT_FALSE(IsWindowVisible(picker->hwnd));
    EXPECT_EQ(L"de", form->languageEdit->text());

    SendMessageW(form->removePropsBox->hwnd, BM_CLICK, 0, 0);
    pumpPending();
    EXPECT_TRUE(form->removePropsBox->isChecked());
    EXPECT_TRUE(winui::writeWindowPng(form->hwnd, buildFolderFile(L"sifton-window.png")));

    {
        MessageBoxPresser presser;
        SendMessageW(form->processButton->hwnd, BM_CLICK, 0, 0);
        ASSERT_TRUE(pumpUntil([&] { return form->job() == nullptr && !presser.shown.empty(); }));
        ASSERT_EQ(1u, presser.shown.size());
        EXPECT_EQ(Localization::instance().getString(L"FileSaved"), presser.shown[0].text);
    }
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(form->pathEdit->hwnd, GetFocus());
    delete form;
    winui::modalForms.clear();

    // The copy opens in the engine with the source and German only (the input also has
    // French), and without props.
    {
        TmxFile file;
        ASSERT_EQ(1, file.load(output));
        EXPECT_EQ(L"en-US", file.sourceLanguage().srcLang);
        std::wstring targets;
        for (const auto& language : file.languages())
            targets += language.first + L" ";
        EXPECT_EQ(L"de-AT de-DE ", targets);
    }
    const std::string written = readText(output);
    EXPECT_EQ(std::string::npos, written.find("<prop"));
    EXPECT_EQ(std::string::npos, written.find("fr-FR"));

    // The program as users get it: it carries its icons and its language list, starts, shows
    // its window, closes, and ends with exit code 0.
    const std::wstring program = buildFolderFile(L"Sifton.exe");
    if (HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        EXPECT_NE(nullptr, FindResourceW(image, MAKEINTRESOURCEW(1), RT_GROUP_ICON));
        EXPECT_NE(nullptr, FindResourceW(image, MAKEINTRESOURCEW(2), RT_GROUP_ICON));
        EXPECT_NE(nullptr, FindResourceW(image, L"LanguageList", RT_RCDATA));
        FreeLibrary(image);
    } else {
        ADD_FAILURE() << "Sifton.exe cannot be read";
    }
    const programtest::ProgramRun run =
        programtest::runProgramUntilClosed(program, L"", L"", L"Sifton", [](HWND window) {
            EXPECT_TRUE(winui::writeWindowPng(window, buildFolderFile(L"sifton-program.png")));
        });
    ASSERT_TRUE(run.started) << GetLastError();
    ASSERT_TRUE(run.windowShown);
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(0u, run.exitCode);
}

} // namespace
