#pragma once

#include "tools/gallery/GalleryRows.h"
#include "ui_toolkit/Form.h"

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
    winui::Grid* grid = nullptr;

private:
    void addControls();
    winui::Control* focusTarget_ = nullptr;
};
