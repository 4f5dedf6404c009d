#pragma once

#include "group_builder/GroupEntry.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// The group being edited: its members in order and the selected row. Holds the list rules; the
// entry grid shows the list and tells its window what changed.
class GroupEntryList {
public:
    // What a group may hold when entries are added one by one; a loaded group keeps all of its
    // members, however many.
    static constexpr std::size_t kMaxEntries = 64;

    enum class AddResult {
        Added,    // appended as the last row
        Existing, // a row already names that file: it is now the selected row
        Full,     // kMaxEntries rows already: nothing changed
    };

    // Appends {path trimmed, shortName, color} unless a row names the same file (letter case
    // and surrounding blanks aside) or the list is full. row is the row added or found, -1 when
    // full. The selection moves only to an existing row.
    AddResult add(const std::wstring& path, const std::wstring& shortName, COLORREF color, int& row);
    // Replaces a row's values (path trimmed); false for a row out of range. No duplicate test.
    bool update(int row, const std::wstring& path, const std::wstring& shortName, COLORREF color);
    // Removing the selected row selects row 0; another selection keeps its number.
    bool remove(int row);
    // Swap a row with its neighbour; the selection follows the moved row.
    bool moveUp(int row);
    bool moveDown(int row);
    // Drops every row; the selected number is kept. False when there was nothing to drop.
    bool clear();
    // Replaces every row, with no limit and no duplicate test; the selected number is kept.
    void replace(std::vector<GroupEntry> entries);
    // The first row whose path equals path when both are lower-cased; -1 when none.
    int find(const std::wstring& path) const;
    // Clamped to the rows there are (0 while there are none); true when the selection changed.
    bool select(int row);

    const std::vector<GroupEntry>& entries() const { return entries_; }
    int count() const { return static_cast<int>(entries_.size()); }
    int selected() const { return selected_; }
    bool isRow(int row) const { return row >= 0 && row < count(); }

private:
    std::vector<GroupEntry> entries_;
    int selected_ = 0;
};
