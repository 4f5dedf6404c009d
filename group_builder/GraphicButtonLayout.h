#pragma once

#include "ui_toolkit/values/Rect.h"

#include <cstdint>

// Where a graphic button draws its image and its text.
struct GraphicButtonLayout {
    winui::Rect image; // empty without an image
    winui::Rect text;
};

// Lays out an image of imageWidth x imageHeight (none when hasImage is false) and a text whose
// measured extent is textExtent: image and text side by side, gap pixels apart, centred
// together in the client rectangle and each centred vertically. A text with an empty extent
// takes no room and adds no gap, so a button without text centres its image exactly.
GraphicButtonLayout layoutGraphicButton(const winui::Rect& client, const winui::Rect& textExtent,
                                        bool hasImage, int32_t imageWidth, int32_t imageHeight,
                                        int32_t gap);
