#include "ui_toolkit/SaveChanges.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(SaveChangesTest, YesGoesOnOnlyOnceTheChangesAreSaved) {
    struct Case {
        int answer;
        SaveOutcome outcome;
        bool saves;
        bool goOn;
    };
    const Case cases[] = {
        {IDYES, SaveOutcome::Saved, true, true},
        {IDYES, SaveOutcome::Cancelled, true, false}, // the save dialog was closed: keep the changes
        {IDYES, SaveOutcome::Failed, true, false},    // the file could not be written: keep them
        {IDNO, SaveOutcome::Saved, false, true},
        {IDNO, SaveOutcome::Cancelled, false, true},
        {IDNO, SaveOutcome::Failed, false, true},
        {IDCANCEL, SaveOutcome::Saved, false, false},
        {IDCANCEL, SaveOutcome::Cancelled, false, false},
        {IDCANCEL, SaveOutcome::Failed, false, false},
        {0, SaveOutcome::Saved, false, false}, // the box could not be shown
    };
    for (const Case& c : cases) {
        int saves = 0;
        const bool goOn = goOnAfterSaveQuestion(c.answer, [&] {
            ++saves;
            return c.outcome;
        });
        EXPECT_EQ(goOn, c.goOn) << c.answer << " " << static_cast<int>(c.outcome);
        EXPECT_EQ(saves, c.saves ? 1 : 0) << c.answer << " " << static_cast<int>(c.outcome);
    }
}
