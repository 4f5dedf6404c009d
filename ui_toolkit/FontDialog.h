#pragma once

#include "core/values/Font.h"

#include <windows.h>

namespace winui {

// The platform's font chooser over one edited font. The owner is given as a window handle
// (null for none), so that it needs no control of the toolkit.
class FontDialog {
public:
    explicit FontDialog(HWND owner = nullptr, const Font& font = Font());

    // Runs the chooser; true when the user pressed OK, and the font was then replaced by
    // the choice. A cancelled or failed chooser leaves the font as it was.
    bool show();

    const Font& font() const { return font_; }
    void setFont(const Font& font) { font_.assign(font); }
    HWND owner() const { return owner_; }

private:
    HWND owner_;
    Font font_;
};

} // namespace winui
