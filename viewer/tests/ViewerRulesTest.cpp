#include "viewer/ContextMenuStates.h"
#include "viewer/LoadPoll.h"
#include "viewer/MainLayout.h"
#include "viewer/StartupRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using winui::Rect;

TEST(ViewerRulesTest, CommandLineTailBecomesThePathToOpen) {
    const struct {
        const wchar_t* tail;
        const wchar_t* path;
    } cases[] = {
        {L"C:\\tm\\big.tmx", L"C:\\tm\\big.tmx"},
        {L"\"C:\\my files\\big.tmx\"", L"C:\\my files\\big.tmx"},
        {L"\"\"C:\\two pairs.tmx\"\"", L"C:\\two pairs.tmx"},
        {L"  \"C:\\blanks around.tmx\"  \t", L"C:\\blanks around.tmx"},
        {L"\"", L"\""},
        {L"\"\"", L"\"\""},
        {L"\"a\"", L"a"},
        {L"\"C:\\open ended.tmx", L"\"C:\\open ended.tmx"},
        {L"C:\\closed only.tmx\"", L"C:\\closed only.tmx\""},
        {L"", L""},
        {L"   ", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(unquoteCommandLine(c.tail), c.path) << "tail [" << std::wstring(c.tail).size() << "]";
}

TEST(ViewerRulesTest, FontsBelowThirteenPixelsAreRaised) {
    const struct {
        LONG height;
        bool changed;
        LONG after;
    } cases[] = {
        {-1, true, -13},  {-11, true, -13}, {-12, true, -13}, {-13, false, -13},
        {-16, false, -16}, {0, false, 0},    {11, false, 11},   {20, false, 20},
    };
    for (const auto& c : cases) {
        LOGFONTW font = {};
        font.lfHeight = c.height;
        font.lfWeight = FW_BOLD;
        EXPECT_EQ(raiseSmallFont(font), c.changed) << c.height;
        EXPECT_EQ(font.lfHeight, c.after) << c.height;
        EXPECT_EQ(font.lfWeight, FW_BOLD);
    }
}

TEST(ViewerRulesTest, StoredPlacementIsUsedOnlyWhollyOnTheDesktop) {
    const Rect desktop(0, 0, 1280, 1024);
    const struct {
        Rect stored;
        bool used;
    } cases[] = {
        {Rect(100, 100, 700, 500), true},
        {Rect(0, 0, 1280, 1024), true},
        // The bounds of a maximised window with a sizing border reach past every edge.
        {Rect(-8, -8, 1288, 1032), false},
        {Rect(-1, 100, 600, 500), false},
        {Rect(100, 100, 1281, 500), false},
        {Rect(100, 900, 700, 1100), false},
        {Rect(2000, 100, 2600, 500), false},
        {Rect(), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placementFitsDesktop(c.stored, desktop), c.used)
            << c.stored.left << "," << c.stored.top << "," << c.stored.right << "," << c.stored.bottom;
}

TEST(ViewerRulesTest, TheCaptionIsTheFileNameWithoutFolderAndExtension) {
    const struct {
        const wchar_t* path;
        const wchar_t* caption;
    } cases[] = {
        {L"C:\\tm\\sample.tmx", L"sample"},
        {L"C:\\tm\\X.TMX", L"X"},
        {L"D:\\groups\\Legal.Plexa", L"Legal"},
        {L"C:\\tm\\notes.txt", L"notes"},
        {L"C:\\tm\\archive.tmx.gz", L"archive.tmx"},
        {L"\"", L"\""},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(captionForPath(c.path), c.caption) << c.path;
}

TEST(ViewerRulesTest, LayoutFollowsTheClientSizeAndTheLanguageList) {
    // Client 592 x 368 as created, rows of 13 + 7 pixels.
    const MainLayout hidden = computeMainLayout(592, 368, 20, false);
    EXPECT_EQ(hidden.searchField, Rect(12, 12, 12 + 592 - 112, 32));
    EXPECT_EQ(hidden.searchButton, Rect(500, 12, 580, 32));
    EXPECT_EQ(hidden.languageList, Rect(421, 12, 493, 412));
    EXPECT_EQ(hidden.resultsBox, Rect(12, 40, 580, 40 + 368 - 52));

    const MainLayout shown = computeMainLayout(592, 368, 20, true);
    EXPECT_EQ(shown.searchField, Rect(12, 12, 12 + 592 - 191, 32));
    EXPECT_EQ(shown.searchField.right + 8, shown.languageList.left);
    EXPECT_EQ(shown.searchButton, hidden.searchButton);
    EXPECT_EQ(shown.resultsBox, hidden.resultsBox);

    // A row height of 0 + 7 when "W" cannot be measured still lays out.
    const MainLayout small = computeMainLayout(320, 200, mainRowHeight(0), false);
    EXPECT_EQ(small.searchField, Rect(12, 12, 220, 19));
    EXPECT_EQ(small.resultsBox, Rect(12, 27, 308, 188));
}

TEST(ViewerRulesTest, LoadPollShowsWhatTheLoadReports) {
    using Bar = PollStep::Bar;
    // The poll's view of the popup, carried from tick to tick as the window would.
    struct Tick {
        int progress;
        bool create;
        const wchar_t* label;
        Bar bar;
        int position;
    };
    const Tick ticks[] = {
        {0, false, nullptr, Bar::Unchanged, -1},                   // first tick: nothing
        {0, true, L"OpeningFile", Bar::Hide, -1},                  // second: the popup, no bar
        {0, false, nullptr, Bar::Unchanged, -1},                   // still no progress
        {37, false, L"IndexingPleaseWait", Bar::Show, 37},         // indexing: the bar
        {64, false, nullptr, Bar::Unchanged, 64},
        {100, false, L"SavingIndex", Bar::Hide, -1},               // writing the index
        {100, false, L"SavingIndex", Bar::Hide, -1},
    };
    bool popup = false;
    bool barHidden = false;
    uint32_t count = 0;
    for (const Tick& t : ticks) {
        const PollStep step = decidePollStep(popup, barHidden, t.progress, ++count);
        SCOPED_TRACE(count);
        EXPECT_EQ(step.createPopup, t.create);
        EXPECT_EQ(step.labelKey ? std::wstring(step.labelKey) : L"-", t.label ? t.label : L"-");
        EXPECT_EQ(step.bar, t.bar);
        EXPECT_EQ(step.position, t.position);
        popup = popup || step.createPopup;
        if (step.bar != Bar::Unchanged)
            barHidden = step.bar == Bar::Hide;
    }

    // An index rebuild seen on the first tick opens the popup with the bar at once; a file that
    // is done (100) before any popup shows nothing.
    const PollStep indexing = decidePollStep(false, false, 5, 1);
    EXPECT_TRUE(indexing.createPopup);
    EXPECT_EQ(std::wstring(indexing.labelKey), L"IndexingPleaseWait");
    EXPECT_EQ(indexing.position, 5);
    EXPECT_FALSE(decidePollStep(false, false, 100, 3).createPopup);
}

TEST(ViewerRulesTest, ContextMenuItemStates) {
    const struct {
        bool selection, tags, placeholders;
        int32_t entry, rows;
        bool copy, copyText, viewEntry, exportResults;
    } cases[] = {
        {false, true, true, -1, 0, false, false, false, false},
        {true, true, true, 4, 6, true, true, true, true},
        {true, false, true, 4, 6, true, true, true, true},
        {true, true, false, 4, 6, true, true, true, true},
        // Neither tags nor placeholders: only the plain copy makes sense.
        {true, false, false, 4, 6, false, true, true, true},
        // A click below the last result.
        {false, true, true, -1, 6, false, false, false, true},
    };
    for (const auto& c : cases) {
        const ContextMenuStates s = contextMenuStates(c.selection, c.tags, c.placeholders, c.entry, c.rows);
        EXPECT_EQ(s.copy, c.copy);
        EXPECT_EQ(s.copyText, c.copyText);
        EXPECT_EQ(s.viewEntry, c.viewEntry);
        EXPECT_EQ(s.exportResults, c.exportResults);
    }

    const std::vector<uint32_t> entries = {70, 3, 12};
    const auto entryOf = [&](int32_t result) { return entries[static_cast<size_t>(result)]; };
    EXPECT_EQ(entryUnderRow(0, 6, entryOf), 70);
    EXPECT_EQ(entryUnderRow(3, 6, entryOf), 3);
    EXPECT_EQ(entryUnderRow(5, 6, entryOf), 12);
    EXPECT_EQ(entryUnderRow(6, 6, entryOf), -1);
    EXPECT_EQ(entryUnderRow(-1, 6, entryOf), -1);
}
