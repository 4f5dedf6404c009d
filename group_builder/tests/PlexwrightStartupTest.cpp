#include "group_builder/forms/PlexwrightStartup.h"

#include "core/l10n/Localization.h"
#include "core/tests/TestFiles.h"
#include "group_builder/GroupFileWriter.h"
#include "group_builder/forms/PlexwrightForm.h"
#include "group_builder/forms/PlexwrightGrid.h"
#include "group_builder/tests/PlexwrightTestSupport.h"
#include "ui_toolkit/StyleLibrary.h"

#include <gtest/gtest.h>

using plexwrighttest::MessageBoxAnswerer;
using plexwrighttest::pumpMessages;

TEST(PlexwrightStartupTest, TheCommandLineNamesTheGroupToOpen) {
    testfiles::TempDir folder(L"startup");
    const std::wstring good = folder.folder(L"My Groups") + L"\\team.plexa";
    ASSERT_TRUE(writeGroupFile(good, {{L"C:\\tm\\a.tmx", L"A", 1}, {L"C:\\tm\\b.tmx", L"B", 2}}));
    const std::wstring damaged = folder.file(L"damaged.plexa");
    ASSERT_TRUE(testfiles::writeText(damaged, "<plexa><tmxfile>C:\\a.t"));
    const std::wstring error = Localization::instance().getString(L"ErrorOpeningFile");

    struct Case {
        const char* what;
        std::wstring tail;
        int rows;          // -1: the error box, then the empty window
    };
    const Case cases[] = {
        {"quoted, as the shell passes a path with blanks", L"\"" + good + L"\"", 2},
        {"in two pairs of quotes", L"\"\"" + good + L"\"\"", 2},
        {"blanks around it", L"  \"" + good + L"\" ", 2},
        {"a damaged file", L"\"" + damaged + L"\"", -1},
        {"a missing file", folder.file(L"missing.plexa"), 0},
        {"a folder", folder.path(), 0},
        {"two quotation marks", L"\"\"", 0},
        {"nothing", L"", 0},
    };
    for (const Case& c : cases) {
        MessageBoxAnswerer boxes({IDOK});
        std::unique_ptr<PlexwrightForm> form = createPlexwrightWindow(c.tail);
        pumpMessages();
        ASSERT_TRUE(form) << c.what;
        EXPECT_EQ(form->style, winui::getStyle(L"CX")) << c.what;
        EXPECT_FALSE(IsWindowVisible(form->hwnd)) << c.what;
        EXPECT_FALSE(form->changed) << c.what;
        if (c.rows < 0) {
            EXPECT_EQ(boxes.texts, std::vector<std::wstring>{error}) << c.what;
            EXPECT_EQ(form->grid->entryCount(), 0) << c.what;
            EXPECT_EQ(form->currentPath, L"") << c.what;
        } else {
            EXPECT_TRUE(boxes.texts.empty()) << c.what;
            EXPECT_EQ(form->grid->entryCount(), c.rows) << c.what;
            EXPECT_EQ(form->currentPath, c.rows > 0 ? good : L"") << c.what;
        }
    }
}
