#include "filter_tool/ui/SiftonForm.h"

#include "core/l10n/Localization.h"
#include "core/threads/JobThreadPool.h"
#include "filter_tool/SiftonJob.h"
#include "filter_tool/tests/FilterTestSupport.h"
#include "filter_tool/tests/WindowTestSupport.h"
#include "ui_toolkit/Toolkit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using filtertest::dataPath;
using filtertest::ScratchFolder;
using testfiles::exists;
using testfiles::readText;
using testfiles::writeText;
using namespace windowtest;

namespace {

std::wstring localized(const wchar_t* key) {
    return Localization::instance().getString(key);
}

// Files a run left in the folder besides the outputs: the job's temporary files.
int temporaryFiles(const ScratchFolder& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(folder.file(L"*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

class SiftonFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        winui::programBuild = winui::ProgramBuild::Tool;
        form = new SiftonForm();
        form->chooser = &chooser;
        ShowWindow(form->hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(form->hwnd);
        pumpPending();
    }
    void TearDown() override {
        // Nothing may be left running under a form about to go.
        EXPECT_TRUE(pumpUntil([&] { return form->job() == nullptr; }));
        delete form;
        winui::modalForms.clear();
        dropQuit();
    }

    // Serves messages until the run has ended and shown its message.
    bool waitForEnd(const MessageBoxPresser& presser) {
        return pumpUntil([&] { return form->job() == nullptr && !presser.shown.empty(); });
    }

    // Process with what the fields hold, the messages answered, until the run has ended.
    std::vector<ShownMessage> process() {
        MessageBoxPresser presser;
        form->onProcess();
        EXPECT_TRUE(waitForEnd(presser));
        return presser.shown;
    }

    // Starts a run of a small file for "de" into the scratch folder; its end is not served yet.
    void startRun() {
        form->pathEdit->setText(dataPath(L"utf16.tmx"));
        form->languageEdit->setText(L"de");
        chooser.output = folder.file(L"out.tmx");
        form->onProcess();
    }

    // What every run leaves: the window usable again, the popup and its timer gone.
    void expectIdle(const char* label) {
        EXPECT_TRUE(IsWindowEnabled(form->hwnd)) << label;
        EXPECT_EQ(form->pathEdit->hwnd, GetFocus()) << label;
        EXPECT_FALSE(IsWindowVisible(form->popup->hwnd)) << label;
        EXPECT_FALSE(KillTimer(form->hwnd, SiftonForm::kPopupTimer)) << label;
        EXPECT_EQ(nullptr, form->job()) << label;
    }

    ScratchFolder folder;
    ScriptedChooser chooser;
    SiftonForm* form = nullptr;
};

TEST_F(SiftonFormTest, WindowHasItsControlsWhereTheyBelong) {
    EXPECT_EQ(L"Sifton", form->text());
    EXPECT_EQ(winui::Rect(0, 0, 587, 137), form->clientRect());
    const struct {
        const char* label;
        winui::Control* control;
        winui::Rect bounds;
        std::wstring text;
    } controls[] = {
        {"file label", form->fileLabel, {8, 11, 83, 28}, localized(L"TMXfile")},
        {"language label", form->languageLabel, {8, 51, 136, 68}, localized(L"TargetLanguage")},
        {"path edit", form->pathEdit, {84, 8, 481, 33}, L""},
        {"language edit", form->languageEdit, {136, 48, 265, 73}, L""},
        {"browse", form->browseButton, {492, 8, 581, 33}, localized(L"Browse")},
        {"picker button", form->pickButton, {272, 48, 297, 73}, L"..."},
        {"remove props", form->removePropsBox, {336, 53, 577, 70}, localized(L"RemovePropTags")},
        {"process", form->processButton, {168, 96, 299, 121}, localized(L"Process")},
        {"close", form->closeButton, {304, 96, 401, 121}, localized(L"Close")},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.bounds, c.control->bounds()) << c.label;
        EXPECT_EQ(c.text, c.control->text()) << c.label;
    }
    EXPECT_TRUE(GetWindowLongW(form->pathEdit->hwnd, GWL_STYLE) & ES_READONLY);
    // Five characters at most: de-DE fits, zh-Hans does not.
    form->languageEdit->setText(L"");
    SendMessageW(form->languageEdit->hwnd, EM_REPLACESEL, FALSE,
                 reinterpret_cast<LPARAM>(L"zh-Hans"));
    EXPECT_EQ(L"zh-Ha", form->languageEdit->text());
}

TEST_F(SiftonFormTest, ProcessRefusesMissingFieldsWithTheFocusOnTheFieldAtFault) {
    // Nothing chosen: no dialog is asked for, and no job starts.
    form->onProcess();
    EXPECT_EQ(form->pathEdit->hwnd, GetFocus());
    form->pathEdit->setText(dataPath(L"utf16.tmx"));
    form->languageEdit->setText(L"  ");
    SetFocus(form->pathEdit->hwnd);
    form->onProcess();
    EXPECT_EQ(form->languageEdit->hwnd, GetFocus());
    EXPECT_EQ(0, chooser.outputAsks);
    EXPECT_EQ(nullptr, form->job());
    // Cancelling the save dialog starts nothing either.
    form->languageEdit->setText(L"de");
    chooser.output.clear();
    form->onProcess();
    EXPECT_EQ(1, chooser.outputAsks);
    EXPECT_EQ(nullptr, form->job());
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
}

TEST_F(SiftonFormTest, EachRunEndsWithOneMessageAndTheWindowReady) {
    // What stands at the output's place before the run.
    enum Before { Nothing, OldFile, Folder };
    const std::wstring failed = localized(L"ProcessingError") + L": ";
    const struct {
        const char* label;
        const wchar_t* fixture;
        const wchar_t* language;
        bool removeProps;
        Before before;
        UINT icon;
        std::wstring message; // the whole text, or its start for an error
        bool written;
    } runs[] = {
        {"units kept", L"utf16.tmx", L" DE ", false, Nothing, MB_ICONINFORMATION,
         localized(L"FileSaved"), true},
        {"all languages, props dropped", L"utf16.tmx", L"", true, OldFile, MB_ICONINFORMATION,
         localized(L"FileSaved"), true},
        {"language absent", L"utf16.tmx", L"ja", false, OldFile, MB_ICONWARNING,
         localized(L"NoLangMatch"), false},
        {"undecodable bytes, with their place", L"bad-utf8.tmx", L"de", false, OldFile,
         MB_ICONERROR, failed + L"(", false},
        {"input gone", L"no-such-file.tmx", L"de", false, Nothing, MB_ICONERROR, failed, false},
        {"output is a folder", L"utf16.tmx", L"de", false, Folder, MB_ICONERROR, failed, false},
    };
    int n = 0;
    for (const auto& run : runs) {
        const std::wstring output = folder.file(L"out" + std::to_wstring(++n) + L".tmx");
        if (run.before == OldFile) {
            ASSERT_TRUE(writeText(output, "old output"));
        } else if (run.before == Folder) {
            ASSERT_TRUE(CreateDirectoryW(output.c_str(), nullptr));
        }
        form->pathEdit->setText(dataPath(run.fixture));
        form->languageEdit->setText(run.language);
        SendMessageW(form->removePropsBox->hwnd, BM_SETCHECK,
                     run.removeProps ? BST_CHECKED : BST_UNCHECKED, 0);
        chooser.output = output;

        const std::vector<ShownMessage> shown = process();
        ASSERT_EQ(1u, shown.size()) << run.label;
        EXPECT_EQ(L"Sifton", shown[0].caption) << run.label;
        EXPECT_EQ(0u, shown[0].text.find(run.message)) << run.label << ": " << shown[0].text;
        if (run.icon == MB_ICONERROR) {
            // The job's own text follows.
            EXPECT_GT(shown[0].text.size(), run.message.size() + 2) << run.label;
        } else {
            EXPECT_EQ(run.message, shown[0].text) << run.label;
        }
        EXPECT_EQ(run.icon, shown[0].icon) << run.label;
        if (run.written) {
            EXPECT_NE(std::string::npos, readText(output).find("<tu")) << run.label;
        } else if (run.before == OldFile) {
            EXPECT_EQ("old output", readText(output)) << run.label;
        } else if (run.before == Folder) {
            EXPECT_NE(0u, GetFileAttributesW(output.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
                << run.label;
        } else {
            EXPECT_FALSE(exists(output)) << run.label;
        }
        EXPECT_EQ(0, temporaryFiles(folder)) << run.label;
        expectIdle(run.label);
    }
}

TEST_F(SiftonFormTest, PopupShowsOnlyWhenItsTimerComesBeforeTheEnd) {
    MessageBoxPresser presser;
    startRun();
    ASSERT_NE(nullptr, form->job());
    EXPECT_FALSE(IsWindowEnabled(form->hwnd));
    EXPECT_FALSE(IsWindowVisible(form->popup->hwnd));
    EXPECT_EQ(localized(L"Processing"), form->popup->label->text());
    EXPECT_EQ(0, form->popup->bar->position);
    // The delay runs out before the end has been heard of: the popup shows, once.
    SendMessageW(form->hwnd, WM_TIMER, SiftonForm::kPopupTimer, 0);
    EXPECT_TRUE(IsWindowVisible(form->popup->hwnd));
    EXPECT_FALSE(KillTimer(form->hwnd, SiftonForm::kPopupTimer));
    ASSERT_TRUE(waitForEnd(presser));
    expectIdle("after the popup");
}

// Closing the window while a job runs would end the program under the job.
TEST_F(SiftonFormTest, CloseIsRefusedWhileAJobRuns) {
    MessageBoxPresser presser;
    startRun();
    ASSERT_NE(nullptr, form->job());
    SendMessageW(form->hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(form->hwnd));
    EXPECT_FALSE(quitPosted());
    ASSERT_TRUE(waitForEnd(presser));
    EXPECT_EQ(localized(L"FileSaved"), presser.shown[0].text);
    // Idle again, the window closes and ends the loop.
    SendMessageW(form->closeButton->hwnd, BM_CLICK, 0, 0);
    pumpPending();
    EXPECT_FALSE(IsWindow(form->hwnd));
    EXPECT_TRUE(quitPosted());
}

} // namespace
