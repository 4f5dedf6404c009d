#include "group_builder/tests/PlexwrightFormFixture.h"
#include "tmx_engine/GroupFileReader.h"

#include <windows.h>

using plexwrighttest::MessageBoxAnswerer;
using plexwrighttest::pumpMessages;

class PlexwrightSaveTest : public PlexwrightFormFixture {
protected:
    // Rows a, b, c from rows.plexa, then one change (c moved up).
    void openAndChange() {
        openRows(L"abc");
        form->grid->selectRow(2);
        click(form->upButton);
        ASSERT_EQ(names(), L"ACB");
        ASSERT_TRUE(form->changed);
    }

    std::vector<std::wstring> savedNames(const std::wstring& path) {
        GroupFileMembers members;
        if (!readGroupFile(path, members))
            return {L"<unreadable>"};
        return members.names;
    }
};

// New, Open and closing the window ask about unsaved changes, and go on only when the changes
// are saved or the user lets them go.
TEST_F(PlexwrightSaveTest, UnsavedChangesAreAskedAboutAndKeptUnlessSavedOrLetGo) {
    enum Trigger { New, Open, Close };
    enum Save { NoSave, SaveChosen, SaveCancelled, SaveIntoMissingFolder };
    struct Case {
        const char* what;
        Trigger trigger;
        std::vector<int> answers;
        Save save;
        bool goesOn;
    };
    const Case cases[] = {
        {"New, Cancel", New, {IDCANCEL}, NoSave, false},
        {"New, No", New, {IDNO}, NoSave, true},
        {"New, Yes, saved", New, {IDYES}, SaveChosen, true},
        {"New, Yes, Save As cancelled", New, {IDYES}, SaveCancelled, false},
        {"New, Yes, save failed", New, {IDYES, IDOK}, SaveIntoMissingFolder, false},
        {"Open, Cancel", Open, {IDCANCEL}, NoSave, false},
        {"Open, No", Open, {IDNO}, NoSave, true},
        {"Open, Yes, saved", Open, {IDYES}, SaveChosen, true},
        {"Open, Yes, Save As cancelled", Open, {IDYES}, SaveCancelled, false},
        {"Close, Cancel", Close, {IDCANCEL}, NoSave, false},
        {"Close, Yes, Save As cancelled", Close, {IDYES}, SaveCancelled, false},
        {"Close, Yes, save failed", Close, {IDYES, IDOK}, SaveIntoMissingFolder, false},
        {"Close, Yes, saved", Close, {IDYES}, SaveChosen, true},
        {"Close, No", Close, {IDNO}, NoSave, true},
    };
    const std::wstring other = folder.file(L"other.plexa");
    ASSERT_TRUE(writeGroupFile(other, {{folder.file(L"x.tmx"), L"X", 1}}));
    int n = 0;
    for (const Case& c : cases) {
        if (!form) {
            SetUp();
        }
        chooser.clear();
        openAndChange();
        // A new group has no path yet: Yes asks for one.
        form->currentPath.clear();
        const std::wstring target = folder.file(L"saved" + std::to_wstring(n++) + L".plexa");
        switch (c.save) {
        case NoSave: break;
        case SaveChosen: chooser.choose(target); break;
        case SaveCancelled: chooser.cancel(); break;
        case SaveIntoMissingFolder: chooser.choose(folder.file(L"missing\\g.plexa")); break;
        }
        if (c.trigger == Open)
            chooser.choose(other);
        chooser.requests.clear();

        MessageBoxAnswerer boxes(c.answers);
        switch (c.trigger) {
        case New: click(form->newGroupButton); break;
        case Open: click(form->openButton); break;
        case Close:
            SendMessageW(form->hwnd, WM_CLOSE, 0, 0);
            pumpMessages(); // the quit message of a closed window goes too
            break;
        }
        EXPECT_EQ(boxes.unanswered(), 0u) << c.what;
        ASSERT_GE(boxes.texts.size(), 1u) << c.what;
        EXPECT_EQ(boxes.texts[0], text(L"AskSaveChanges")) << c.what;
        if (c.save == SaveIntoMissingFolder) {
            ASSERT_EQ(boxes.texts.size(), 2u) << c.what;
            EXPECT_EQ(boxes.texts[1], text(L"ErrorWritingFile")) << c.what;
        }
        if (c.save == SaveChosen) {
            EXPECT_EQ(savedNames(target), (std::vector<std::wstring>{L"A", L"C", L"B"})) << c.what;
            ASSERT_FALSE(chooser.requests.empty());
            EXPECT_TRUE(chooser.requests[0].save);
            EXPECT_EQ(chooser.requests[0].flags, static_cast<DWORD>(0x802));
            EXPECT_EQ(chooser.requests[0].extension, L".plexa");
        }
        if (c.trigger == Close) {
            EXPECT_EQ(IsWindow(form->hwnd) == FALSE, c.goesOn) << c.what;
            if (c.goesOn) {
                form.reset();
                pumpMessages();
                continue;
            }
        }
        if (c.goesOn) {
            EXPECT_FALSE(form->changed) << c.what;
            EXPECT_EQ(names(), c.trigger == Open ? L"X" : L"") << c.what;
            EXPECT_EQ(form->currentPath, c.trigger == Open ? other : L"") << c.what;
        } else {
            // Nothing lost: the rows, the changed flag and the path stay.
            EXPECT_TRUE(form->changed) << c.what;
            EXPECT_EQ(names(), L"ACB") << c.what;
            EXPECT_EQ(form->currentPath, L"") << c.what;
        }
    }
    if (!form)
        SetUp();
}

TEST_F(PlexwrightSaveTest, AFailedSaveKeepsTheOldFileTheChangesAndThePath) {
    openAndChange();
    const std::wstring previous = form->currentPath;
    const std::wstring readOnly = folder.file(L"readonly.plexa");
    const std::wstring locked = folder.file(L"locked.plexa");
    ASSERT_TRUE(testfiles::writeText(readOnly, "old read-only bytes"));
    ASSERT_TRUE(testfiles::writeText(locked, "old locked bytes"));
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE lock = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const std::vector<std::wstring> before = folder.names();

    struct Case {
        const char* what;
        std::wstring path;
        const char* oldBytes;
    };
    const Case cases[] = {
        {"read-only file", readOnly, "old read-only bytes"},
        {"locked file", locked, "old locked bytes"},
        {"missing folder", folder.file(L"missing\\g.plexa"), nullptr},
    };
    for (const Case& c : cases) {
        chooser.choose(c.path);
        MessageBoxAnswerer boxes({IDOK});
        click(form->saveAsButton);
        EXPECT_EQ(boxes.texts, (std::vector<std::wstring>{text(L"ErrorWritingFile")})) << c.what;
        EXPECT_TRUE(form->changed) << c.what;
        EXPECT_EQ(form->currentPath, previous) << c.what;
        // Nothing left beside it.
        EXPECT_EQ(folder.names(), before) << c.what;
    }
    CloseHandle(lock);
    for (const Case& c : cases) {
        if (c.oldBytes) {
            EXPECT_EQ(testfiles::readText(c.path), c.oldBytes) << c.what;
        }
    }
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PlexwrightSaveTest, ADamagedGroupFileIsReportedAndChangesNothing) {
    openAndChange();
    const std::wstring previous = form->currentPath;
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"not XML", "just some text"},
        {"cut off inside a member", "<plexa>\r\n  <tmxfile shortName=\"a\" color=\"FF\">C:\\a.t"},
        {"undecodable bytes", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plexa><tmxfile>C:\\\xFF\xFE.tmx</tmxfile></plexa>"},
    };
    int n = 0;
    std::vector<std::wstring> paths;
    for (const auto& c : cases) {
        paths.push_back(folder.file(L"bad" + std::to_wstring(n++) + L".plexa"));
        ASSERT_TRUE(testfiles::writeText(paths.back(), c.bytes));
    }
    paths.push_back(folder.folder(L"a folder.plexa"));
    paths.push_back(folder.file(L"missing.plexa"));
    for (const std::wstring& path : paths) {
        chooser.choose(path);
        MessageBoxAnswerer boxes({IDNO, IDOK});
        click(form->openButton);
        EXPECT_EQ(boxes.texts, (std::vector<std::wstring>{text(L"AskSaveChanges"), text(L"ErrorOpeningFile")}))
            << path;
        EXPECT_EQ(names(), L"ACB") << path;
        EXPECT_EQ(form->currentPath, previous) << path;
        EXPECT_TRUE(form->changed) << path;
    }
}

TEST_F(PlexwrightSaveTest, MoreThanSixtyFourMembersAreKeptAndSavedWithAWarning) {
    std::vector<GroupEntry> many;
    for (int i = 0; i < 70; ++i)
        many.push_back({folder.file(L"m" + std::to_wstring(i) + L".tmx"), L"m", static_cast<COLORREF>(i)});
    const std::wstring path = folder.file(L"many.plexa");
    ASSERT_TRUE(writeGroupFile(path, many));
    ASSERT_TRUE(form->openGroupFile(path));
    EXPECT_EQ(form->grid->entryCount(), 70);

    chooser.choose(folder.file(L"new.tmx"));
    click(form->addButton);
    click(form->itemForm->browseButton);
    click(form->itemForm->okButton);
    EXPECT_EQ(form->grid->entryCount(), 70);

    const std::wstring saved = folder.file(L"saved.plexa");
    chooser.choose(saved);
    MessageBoxAnswerer boxes({IDOK});
    click(form->saveAsButton);
    EXPECT_EQ(boxes.texts, (std::vector<std::wstring>{text(L"TooManyGroupMembers")}));
    EXPECT_EQ(savedNames(saved).size(), 70u);
    EXPECT_FALSE(form->changed);
    EXPECT_EQ(form->currentPath, saved);
}

// Through the platform's own save dialog: "team" typed beside team.plexa names that file once
// the extension is put on, and it is not replaced unasked.
TEST_F(PlexwrightSaveTest, SaveAsAsksBeforeReplacingTheFileThatTheTypedNameComesToName) {
    using plexwrighttest::DialogScript;
    form->setFileChooser(chooseWithFileDialog);
    openRows(L"ab");
    const std::wstring opened = form->currentPath;
    const std::wstring team = folder.file(L"team.plexa");
    ASSERT_TRUE(testfiles::writeText(team, "old team"));
    const std::wstring question = text(L"ConfirmReplaceFile");
    {
        DialogScript script({DialogScript::fileName(L"team"), DialogScript::press(IDNO), DialogScript::fileName(L"")});
        EXPECT_EQ(form->saveAs(), SaveOutcome::Cancelled);
        EXPECT_EQ(script.remaining(), 0u);
        ASSERT_EQ(script.texts.size(), 1u);
        EXPECT_NE(script.texts[0].find(question), std::wstring::npos) << script.texts[0];
        EXPECT_EQ(testfiles::readText(team), "old team");
        EXPECT_EQ(form->currentPath, opened);
    }
    {
        DialogScript script({DialogScript::fileName(L"team"), DialogScript::press(IDYES)});
        EXPECT_EQ(form->saveAs(), SaveOutcome::Saved);
        EXPECT_EQ(script.remaining(), 0u);
        EXPECT_EQ(savedNames(team), (std::vector<std::wstring>{L"A", L"B"}));
        EXPECT_EQ(form->currentPath, team);
    }
}
