#pragma once

#include "core/events/HandlerHolder.h"
#include "core/events/HandlerList.h"
#include "tmx_engine/SegmentElement.h"
#include "ui_toolkit/Control.h"
#include "ui_toolkit/Edit.h"

#include <cstdint>
#include <string>

namespace winui {
class Label;
struct Point;
} // namespace winui

class DocumentGrid;
class TranslatableContentProvider;

// The edit field of the document view. Return confirms the text instead of starting a new line;
// Shift+Return (or Ctrl+Return) starts one.
class DocumentTargetEdit : public winui::Edit {
public:
    explicit DocumentTargetEdit(winui::Control* parent);
    void onMessage(winui::Message& message) override;

    // No arguments: Return without Shift or Ctrl.
    HandlerList confirmed;
};

// The main window's view of a bilingual document: the grid of its rows, a note about the
// selected row and an edit field holding the selected row's target as plain text. Return in
// the field sets the target (an emptied field clears it) and moves to the next row; the
// main window moves the selection with the arrow keys while the view has the focus. An
// unusable row's field is read-only and the note says why. The view never owns the document.
class DocumentView : public winui::Control {
public:
    explicit DocumentView(winui::Control* parent);
    ~DocumentView() override;

    // Null stands for the shared empty provider; the same one again changes nothing. Otherwise
    // the grid gets it and, when it has rows, row 0 is selected.
    void setDocument(TranslatableContentProvider* document);
    TranslatableContentProvider& document() const;
    bool hasDocument() const;

    // Sets the field's text as the selected row's target when it differs from what the field
    // was given: an empty text clears the target. False when nothing was set.
    bool confirmTarget();
    // Confirms a changed target, then moves the selection by delta rows.
    void moveSelection(int32_t delta);
    // Whether any row holds an edit that is not saved yet.
    bool hasUnsavedEdits() const;
    // After a save, when the document was read again: every row is shown anew.
    void documentReloaded();
    // True when the focus is on the view or one of its parts.
    bool containsFocus() const;
    void focusTarget();
    // The texts of the note, after a change of language.
    void localeChanged();

    void onResized() override;
    void onFontChanged() override;
    void eraseBackground(HDC dc, const winui::Rect& clientRect) override;

    // The segment a plain text of the field stands for, and back; line breaks are "\n" in the
    // segment and "\r\n" in the field.
    static Segment targetFromFieldText(const std::wstring& text);
    static std::wstring fieldTextOf(const Segment& target);

    // (int32_t row): a row became the selected one.
    HandlerList rowChosen;
    // (winui::Point in the view's grid's client coordinates).
    HandlerList contextMenuRequested;

    DocumentGrid* grid = nullptr;
    winui::Label* note = nullptr;
    DocumentTargetEdit* targetEdit = nullptr;

private:
    void layoutParts();
    int32_t lineHeight() const;
    void showRow(int32_t row);
    void onSelectionChanged(int32_t oldRow, int32_t newRow);
    void onConfirmed();
    void onGridContextMenu(winui::Point point);
    void onGridPressed();

    HandlerHolder selectionChangedLink_;
    HandlerHolder confirmedLink_;
    HandlerHolder contextMenuLink_;
    HandlerHolder pressedLink_;
    // The field's text as the row gave it: an unchanged field sets nothing.
    std::wstring shownText_;
};
