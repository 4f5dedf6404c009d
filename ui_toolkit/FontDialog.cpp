#include "ui_toolkit/FontDialog.h"

#include <commdlg.h>

#include <cstring>

namespace winui {

FontDialog::FontDialog(HWND owner, const Font& font) : owner_(owner), font_(font) {}

bool FontDialog::show() {
    // A font without a handle starts the chooser from a cleared description.
    LOGFONTW logFont;
    font_.getLogFont(logFont);

    CHOOSEFONTW choice;
    std::memset(&choice, 0, sizeof choice);
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = owner_;
    choice.lpLogFont = &logFont;
    // No effects (underline, strike-out, colour) are offered.
    choice.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_NOVECTORFONTS | CF_FORCEFONTEXIST |
                   CF_NOVERTFONTS;
    // Only TRUE is a choice: a chooser whose dialog could not be created may hand back the
    // dialog's -1, which must not replace the font with whatever the record then holds.
    if (ChooseFontW(&choice) != TRUE) return false;

    const Font chosen = Font::fromLogFont(logFont);
    font_.assign(chosen);
    return true;
}

} // namespace winui
