#include "viewer/TmxViewerForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/tests/TestFiles.h"
#include "viewer/ViewerCommands.h"
#include "viewer/documents/TranslatableContentProvider.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char kXliff[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><xliff version=\"1.2\"><file><body>"
    "<trans-unit id=\"1\"><source>Hello</source><target>Hallo</target></trans-unit>"
    "</body></file></xliff>";

class BilingualDocumentCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSettings();
        form = std::make_unique<TmxViewerForm>();
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        form->setPrompts(std::move(scripted));
        pumpQueued(&quits);
    }
    void TearDown() override {
        form.reset();
        pumpQueued(&quits);
        resetSettings();
    }

    std::unique_ptr<TmxViewerForm> form;
    ScriptedPrompts* prompts = nullptr;
    int quits = 0;
};

TEST_F(BilingualDocumentCommandTest, ChosenDocumentsOpenOrSayWhyNot) {
    testfiles::TempDir dir(L"viewerdocs");
    const std::wstring good = dir.file(L"ui.XLF");
    const std::wstring bad = dir.file(L"cut.ttx");
    ASSERT_TRUE(testfiles::writeText(good, kXliff));
    ASSERT_TRUE(testfiles::writeText(bad, "<TRADOStag><Body><Raw><Tu>"));
    const std::wstring errorOpening = Localization::instance().getString(L"ErrorOpeningFile");
    const std::wstring unsupported = Localization::instance().getString(L"UnsupportedFileFormat");

    // A document chosen with the second filter opens and is kept; folder and filter are stored.
    prompts->next = {true, good, 2};
    form->onCommand(kCommandChooseDocument);
    ASSERT_TRUE(form->document());
    EXPECT_EQ(form->document()->rowCount(), 1);
    EXPECT_TRUE(prompts->messages.empty());
    EXPECT_EQ(Settings::global().get<int>(L"xlfOpenFileFilterIndex", 0), 2);
    EXPECT_EQ(Settings::global().get<std::wstring>(L"xlfOpenFileInitialDir", L""), dir.path());

    // A damaged one is dropped with the opening error, and the one before is gone too.
    prompts->next = {true, bad, 2};
    form->onCommand(kCommandChooseDocument);
    EXPECT_FALSE(form->document());
    ASSERT_EQ(prompts->messages.size(), 1u);
    EXPECT_EQ(prompts->messages[0].text, errorOpening);

    // Another extension is refused before anything is read; a cancel changes nothing.
    prompts->next = {true, dir.file(L"memory.tmx"), 1};
    form->onCommand(kCommandChooseDocument);
    ASSERT_EQ(prompts->messages.size(), 2u);
    EXPECT_EQ(prompts->messages[1].text, unsupported);
    EXPECT_EQ(Settings::global().get<int>(L"xlfOpenFileFilterIndex", 0), 2);
    prompts->next = {};
    form->onCommand(kCommandChooseDocument);
    EXPECT_EQ(prompts->messages.size(), 2u);
    EXPECT_FALSE(form->document());
}

} // namespace
