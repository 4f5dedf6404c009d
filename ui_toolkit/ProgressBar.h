#pragma once

#include "ui_toolkit/Control.h"
#include "ui_toolkit/Image.h"

#include <cstdint>

namespace winui {

// A progress bar whose range always ends at 100: the native control, or a bar painted from
// the style's "ProgressBar" (track) and "ProgressBarFull" (filled part) elements when the
// style gives them. Both renderings are kept at the client size, so a paint only copies.
class ProgressBar : public Control {
public:
    explicit ProgressBar(Control* parent);
    ~ProgressBar() override;

    // Sets the range [minimum, 100] and pulls the position into it. A minimum that the native
    // control cannot hold (negative or above 0xFFFF) is ignored.
    void setRange(int32_t newMinimum);
    // Positions that the native control cannot hold (negative or above 0xFFFF) are ignored.
    void setPosition(int32_t newPosition);

    void onResized() override;
    void paint(Canvas& canvas, const Rect& updateRect) override;
    void onStyleChanged() override;

    // The filled width for a client width: what paint copies from fullImage.
    int32_t fullWidth(int32_t clientWidth) const;

    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t position = 0;
    Image emptyImage;
    Image fullImage;

private:
    void render();
    void repaint();
};

} // namespace winui
