#pragma once

#include <cstdint>

// Which items of the results' context menu can be chosen. "OpenTM" and "Settings" always can.
struct ContextMenuStates {
    bool copy = false;
    bool copyText = false;
    bool viewEntry = false;
    bool exportResults = false;
};

// hasSelection: the results box has selected runs; showTags / showPlaceholders: the two
// settings (copying with markup needs at least one); entry: the entry id under the click, -1
// for none; rowCount: the rows of the results box.
ContextMenuStates contextMenuStates(bool hasSelection, bool showTags, bool showPlaceholders,
                                    int32_t entry, int32_t rowCount);

// The entry id under a pressed row: result row / 2 of the list when the row lies inside the
// grid's rows, else -1. resultEntry gives the entry id of result number i.
template <class ResultEntry>
int32_t entryUnderRow(int32_t pressedRow, int32_t rowCount, ResultEntry resultEntry) {
    if (pressedRow < 0 || pressedRow >= rowCount)
        return -1;
    return static_cast<int32_t>(resultEntry(pressedRow / 2));
}
