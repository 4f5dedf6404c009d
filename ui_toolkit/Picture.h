#pragma once

#include "ui_toolkit/Control.h"

namespace winui {

class Image;

// A painted control that stretches an image over its client area.
class Picture : public Control {
public:
    explicit Picture(Control* parent);

    void paint(Canvas& canvas, const Rect& updateRect) override;

    // Set and kept by the owner, who repaints the picture after changing it; null shows the
    // form colour.
    Image* image = nullptr;
};

} // namespace winui
