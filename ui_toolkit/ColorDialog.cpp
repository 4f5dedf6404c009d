#include "ui_toolkit/ColorDialog.h"

#include "ui_toolkit/Control.h"

namespace winui {

#if !defined(_WIN64)
static_assert(sizeof(CHOOSECOLORW) == 36, "the 32-bit chooser block is 36 bytes");
#endif

ColorDialog::ColorDialog(Control* owner) {
    ZeroMemory(&block, sizeof(block));
    ZeroMemory(customColors, sizeof(customColors));
    // The platform's own size: 36 bytes in the 32-bit programs; a 64-bit build needs its own.
    block.lStructSize = sizeof(CHOOSECOLORW);
    block.hwndOwner = owner && owner->hwnd ? owner->hwnd : GetDesktopWindow();
    block.lpCustColors = customColors;
}

} // namespace winui
