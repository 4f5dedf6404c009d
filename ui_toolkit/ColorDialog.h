#pragma once

#include <windows.h>
#include <commdlg.h>

namespace winui {

class Control;

// The data block that the platform's colour chooser runs with, and its 16 custom colours. The
// owner fills in the remaining fields (colour, flags) and calls ChooseColorW with &block.
class ColorDialog {
public:
    explicit ColorDialog(Control* owner);
    ColorDialog(const ColorDialog&) = delete;
    ColorDialog& operator=(const ColorDialog&) = delete;

    CHOOSECOLORW block;
    COLORREF customColors[16];
};

} // namespace winui
