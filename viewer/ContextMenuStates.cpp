#include "viewer/ContextMenuStates.h"

ContextMenuStates contextMenuStates(bool hasSelection, bool showTags, bool showPlaceholders,
                                    int32_t entry, int32_t rowCount) {
    ContextMenuStates states;
    states.copy = hasSelection && (showTags || showPlaceholders);
    states.copyText = hasSelection;
    states.viewEntry = entry >= 0;
    states.exportResults = rowCount > 0;
    return states;
}
