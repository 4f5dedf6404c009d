#include "core/tests/ProgramRun.h"
#include "core/util/StringUtils.h"
#include "group_builder/EntryColors.h"
#include "group_builder/forms/PickTMColorForm.h"
#include "group_builder/tests/PlexwrightFormFixture.h"
#include "tmx_engine/TmxFileGroup.h"
#include "tmx_engine/tests/GroupTestSupport.h"
#include "ui_toolkit/ColorRect.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/PngWriter.h"
#include "ui_toolkit/WindowCapture.h"

#include <windows.h>

using plexwrighttest::pumpMessages;
using plexwrighttest::realClick;

namespace {

// Where the test program lies: the build folder, where Plexwright.exe is built too and where
// the screenshots stay for a person to look at.
std::wstring buildFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return getDirectory(path);
}

// A screenshot of the part of the screen that the windows cover, written as a PNG.
bool writeScreenPng(const std::vector<HWND>& windows, const std::wstring& path) {
    RECT area = {0, 0, 0, 0};
    for (HWND window : windows) {
        RECT r;
        GetWindowRect(window, &r);
        UnionRect(&area, &area, &r);
    }
    winui::Image screen;
    winui::Image part;
    if (!winui::captureWindow(GetDesktopWindow(), screen) ||
        !part.createBlank(area.right - area.left, area.bottom - area.top))
        return false;
    BitBlt(part.canvas()->dc, 0, 0, part.width(), part.height(), screen.canvas()->dc, area.left, area.top, SRCCOPY);
    return winui::writePngFile(part, path);
}

} // namespace

class PlexwrightEndToEndTest : public PlexwrightFormFixture {};

// A new user's first group: two TMX files, one coloured from the palette, one moved up, saved,
// opened again, opened by the engine, and opened by the program from its command line.
TEST_F(PlexwrightEndToEndTest, BuildSaveAndReopenAGroup) {
    const std::wstring tm = folder.folder(L"tm");
    const std::wstring alpha = tm + L"\\alpha.tmx";
    const std::wstring beta = tm + L"\\beta.tmx";
    ASSERT_TRUE(testfiles::writeText(alpha, grouptest::tmxText(L"en-US", {L"alpha one", L"alpha two"}, {L"de-DE"})));
    ASSERT_TRUE(testfiles::writeText(beta, grouptest::tmxText(L"en-US", {L"beta one"}, {L"fr-FR"})));

    click(form->newGroupButton);
    EXPECT_EQ(form->grid->entryCount(), 0);

    chooser.choose(alpha);
    click(form->addButton);
    click(form->itemForm->browseButton);
    typeText(form->itemForm->shortNameEdit, L"Alpha");
    click(form->itemForm->okButton);

    chooser.choose(beta);
    click(form->addButton);
    ASSERT_TRUE(dialogShown());
    click(form->itemForm->browseButton);
    typeText(form->itemForm->shortNameEdit, L"Beta");
    winui::ColorRect* swatch = form->itemForm->swatch;
    PickTMColorForm* palette = form->itemForm->palette.get();
    realClick(swatch->hwnd, 10, 10);
    ASSERT_TRUE(IsWindowVisible(palette->hwnd));
    EXPECT_TRUE(writeScreenPng({form->itemForm->hwnd, palette->hwnd}, buildFolder() + L"\\Plexwright_palette.png"));
    // Row 2, column 3 of the palette.
    const winui::Rect cell = paletteCellRect(13);
    realClick(palette->hwnd, cell.left + 10, cell.top + 10);
    EXPECT_FALSE(IsWindowVisible(palette->hwnd));
    EXPECT_EQ(form->itemForm->color(), kPaletteColors[13]);
    click(form->itemForm->okButton);
    EXPECT_EQ(names(), L"AlphaBeta");

    clickRow(1);
    click(form->upButton);
    EXPECT_EQ(names(), L"BetaAlpha");
    EXPECT_EQ(form->grid->selectedRow(), 0);
    EXPECT_TRUE(form->changed);

    const std::wstring saved = folder.folder(L"groups") + L"\\team.plexa";
    chooser.choose(saved);
    click(form->saveAsButton);
    EXPECT_FALSE(form->changed);
    EXPECT_EQ(form->currentPath, saved);

    click(form->newGroupButton);
    EXPECT_EQ(form->grid->entryCount(), 0);
    EXPECT_EQ(form->currentPath, L"");

    chooser.choose(saved);
    click(form->openButton);
    ASSERT_EQ(form->grid->entryCount(), 2);
    const std::vector<GroupEntry>& rows = form->grid->entries();
    EXPECT_EQ(rows[0].path, beta);
    EXPECT_EQ(rows[0].shortName, L"Beta");
    EXPECT_EQ(rows[0].color, kPaletteColors[13]);
    EXPECT_EQ(rows[1].path, alpha);
    EXPECT_EQ(rows[1].shortName, L"Alpha");
    EXPECT_EQ(rows[1].color, kDefaultEntryColor);
    EXPECT_EQ(form->currentPath, saved);
    EXPECT_FALSE(form->changed);
    EXPECT_TRUE(winui::writeWindowPng(form->hwnd, buildFolder() + L"\\Plexwright_form.png"));

    TmxFileGroup group;
    EXPECT_EQ(group.load(saved), kLoaded);
    EXPECT_EQ(group.memberNames(), (std::vector<std::wstring>{L"Beta", L"Alpha"}));

    // The program itself, started with the saved group, then closed.
    const programtest::ProgramRun run = programtest::runProgramUntilClosed(
        buildFolder() + L"\\Plexwright.exe", L"\"" + saved + L"\"", L"", L"Plexwright", [](HWND window) {
            Sleep(500);
            EXPECT_TRUE(winui::writeWindowPng(window, buildFolder() + L"\\Plexwright_program.png"));
        });
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.windowShown);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
}
