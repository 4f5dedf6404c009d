#include "ui_toolkit/SaveChanges.h"

#include <windows.h>

bool goOnAfterSaveQuestion(int answer, const std::function<SaveOutcome()>& save) {
    switch (answer) {
    case IDYES:
        return save() == SaveOutcome::Saved;
    case IDNO:
        return true;
    default:
        return false;
    }
}
