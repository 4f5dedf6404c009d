#pragma once

#include "core/events/HandlerHolder.h"
#include "core/events/HandlerList.h"
#include "group_builder/GroupEntryList.h"
#include "ui_toolkit/Grid.h"
#include "ui_toolkit/GridContentProvider.h"

#include <windows.h>

#include <string>
#include <vector>

// The group being edited, shown in two columns: each member's path, and its short name on the
// member's colour. Holds the list (GroupEntryList) and is its own grid's provider; the main
// window calls the list operations, which repaint what they change.
class PlexwrightGrid : public winui::Grid, public winui::GridContentProvider {
public:
    enum Column { PathColumn = 0, NameColumn = 1 };

    explicit PlexwrightGrid(winui::Control* parent);
    ~PlexwrightGrid() override;

    int32_t rowCount() override;
    int32_t columnCount() override { return 2; }
    int32_t rowHeight(int32_t row) override { return rowHeight_; }
    int32_t columnWidth(int32_t column) override;
    void drawCell(int32_t row, int32_t column, winui::Canvas& canvas, const winui::Rect& cell) override;
    void drawEmptyArea(winui::Canvas& canvas, const winui::Rect& area) override;

    void onResized() override;
    void onFontChanged() override;

    // The list operations of GroupEntryList, shown at once: an added or found row is scrolled
    // into view. True when a row was added.
    bool addEntry(const std::wstring& path, const std::wstring& shortName, COLORREF color);
    void updateEntry(int row, const std::wstring& path, const std::wstring& shortName, COLORREF color);
    void removeEntry(int row);
    void moveUp(int row);
    void moveDown(int row);
    void clear();
    int findEntry(const std::wstring& path) const { return list_.find(path); }
    void selectRow(int row);
    // Replaces every row by the group file's members; false, with nothing changed, when the
    // file cannot be read or is damaged.
    bool loadGroupFile(const std::wstring& path);

    const std::vector<GroupEntry>& entries() const { return list_.entries(); }
    int entryCount() const { return list_.count(); }
    int selectedRow() const { return list_.selected(); }
    int pathColumnWidth() const { return pathColumnWidth_; }
    int nameColumnWidth() const { return nameColumnWidth_; }

    // (int row): a double click on a row, whatever the row (-1 and beyond the last included).
    HandlerList rowActivated;

private:
    // Row height and column widths from the font and the short names.
    void measure();
    void drawCellContent(const GroupEntry& entry, bool selected, int32_t column, winui::Canvas& canvas,
                         const winui::Rect& cell);
    void onCellPressed();
    void onCellDoubleClicked(int32_t row, int32_t column);
    COLORREF styleColor(int32_t styleIndex, int systemIndex) const;
    // An entry's colour as painted: a member without a colour shows the window colour.
    COLORREF fillColor(COLORREF entryColor) const;

    HandlerHolder cellPressedLink_;
    HandlerHolder cellDoubleClickedLink_;
    GroupEntryList list_;
    int pathColumnWidth_ = 0;
    int nameColumnWidth_ = 0;
    int rowHeight_ = 0;
};
