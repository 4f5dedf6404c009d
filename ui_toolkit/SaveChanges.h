#pragma once

#include <functional>

// How a save that the user asked for ended.
enum class SaveOutcome {
    Saved,
    Cancelled, // the user closed the save dialog
    Failed,    // the file could not be written (the user was told)
};

// Whether New, Open or closing a window may go on after the user answered the question about
// unsaved changes (IDYES, IDNO, IDCANCEL, or anything else for a box closed otherwise). Yes runs
// save and goes on only once the changes are safely written: a cancelled or failed save keeps
// them and stops. No goes on, throwing them away; Cancel stops. save runs only for Yes.
bool goOnAfterSaveQuestion(int answer, const std::function<SaveOutcome()>& save);
