#pragma once

#include "tools/gallery/GalleryRows.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Image.h"

#include <cstdint>

namespace winui {
class Grid;
class Style;
}

// The gallery's one window: every control of the toolkit in its states on the left, the grid
// over the synthetic rows on the right. Closing it ends the program.
class GalleryForm : public winui::Form {
public:
    static constexpr int32_t kClientWidth = 960;
    static constexpr int32_t kClientHeight = 620;

    // style may be null for the native look.
    GalleryForm(winui::Style* style, int32_t rows);
    ~GalleryForm() override;

    // Gives the focus to the control that shows the focused state, with its cue drawn.
    void showFocus();

    GalleryRows rows;
    // What the picture shows; drawn here, so the gallery needs no bitmap package.
    winui::Image picture;
    winui::Grid* grid = nullptr;

private:
    // Each adds one group of controls from the top y and returns the y below it.
    int32_t addButtons(int32_t y);
    int32_t addCheckBoxesAndSwatches(int32_t y);
    int32_t addLabelsAndPicture(int32_t y);
    int32_t addEdits(int32_t y);
    int32_t addComboAndProgress(int32_t y);
    void addTabs(int32_t y);
    void addGrid();
    void drawPicture();

    winui::Control* focusTarget_ = nullptr;
};
