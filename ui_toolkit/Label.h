#pragma once

#include "ui_toolkit/Control.h"

#include <cstdint>

namespace winui {

// Flags of a label, combined freely; 0 is left-aligned text without wrapping.
enum LabelFlag : uint32_t {
    LabelCentered = 1,
    // Left-aligned with word wrap (ignored for a centred label).
    LabelWrap = 2,
    // '&' is shown as it is instead of underlining the next character.
    LabelNoPrefix = 4,
};

// The platform's static text. A styled parent colours it with the style's form colours.
class Label : public Control {
public:
    explicit Label(Control* parent, uint32_t flags = 0);

    void clear();

    // The window style for the flags.
    static uint32_t windowStyleFor(uint32_t flags);
};

} // namespace winui
