#pragma once

#include "core/events/HandlerList.h"
#include "ui_toolkit/Control.h"
#include "ui_toolkit/Cover.h"

#include <cstdint>
#include <string>

namespace winui {

class ComboBoxCover;

// The platform's drop-down list. One event fires whenever the selection changes, by the user
// or by a program. When the style gives combo box images it lies under a ComboBoxCover that
// draws the field, the drop button and the arrow, while the native control keeps the mouse
// and the keyboard.
class ComboBox : public Control {
public:
    explicit ComboBox(Control* parent);
    ~ComboBox() override;

    void onMessage(Message& message) override;
    void onCommand(uint16_t code) override;
    void onFocusGained() override;
    void onFocusLost() override;
    void onTextChanged() override;
    void onFontChanged() override;
    void onStyleChanged() override;

    void addItem(const std::wstring& text);
    // The item's text; empty for an index the list does not hold.
    std::wstring itemText(int32_t index) const;
    // The selected item's text; empty without a selection.
    std::wstring selectedText() const;
    // The least height of the cover and the height of its painted field; 0 for the combo
    // box's own height.
    void setCoverHeight(int32_t height);
    // Gives the cover the combo box's place (at least coverHeight tall), visibility, focus and
    // enabled state.
    void syncCover();

    HandlerList selectionChanged;
    // The selection last reported by selectionChanged; -1 for none.
    int32_t lastSelection = -1;
    // Owned, although its window is a child of the combo box's parent; null without images.
    ComboBoxCover* cover = nullptr;
    int32_t coverHeight = 0;

private:
    // Reports a selection that differs from the last one reported.
    void selectionMayHaveChanged();
};

// The painted overlay of a styled combo box.
class ComboBoxCover : public Cover {
public:
    explicit ComboBoxCover(ComboBox* box);
    ~ComboBoxCover() override;

    void paint(Canvas& canvas, const Rect& updateRect) override;

    // Stores the height and repaints when it changed.
    void setFieldHeight(int32_t height);
    // Paints at once, without waiting for WM_PAINT (the drop-down list opens meanwhile).
    void paintNow();

    // Where the field, the drop button and the text go for a client rectangle.
    struct Layout {
        Rect field;
        Rect textBox;
        Rect buttonBox;
    };
    Layout layout(const Rect& client) const;

    ComboBox* box;
    bool dropped = false;
    int32_t fieldHeight = 0;
};

} // namespace winui
