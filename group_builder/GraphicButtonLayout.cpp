#include "group_builder/GraphicButtonLayout.h"

#include <algorithm>

GraphicButtonLayout layoutGraphicButton(const winui::Rect& client, const winui::Rect& textExtent,
                                        bool hasImage, int32_t imageWidth, int32_t imageHeight,
                                        int32_t gap) {
    GraphicButtonLayout layout;
    if (!hasImage) {
        layout.text = winui::centerRect(client, textExtent);
        return layout;
    }
    const int32_t textPart = textExtent.right == textExtent.left ? 0 : textExtent.width() + gap;
    const winui::Rect content(0, 0, imageWidth + textPart, std::max(imageHeight, textExtent.height()));
    const winui::Rect placed = winui::centerRect(client, content);
    const int32_t left = placed.left;
    const int32_t top = placed.top;
    const int32_t bottom = placed.bottom;
    layout.image = winui::Rect(left, (top + bottom - imageHeight) / 2, left + imageWidth,
                               (top + bottom + imageHeight) / 2);
    const int32_t textLeft = left + gap + imageWidth;
    layout.text = winui::Rect(textLeft + textExtent.left, (textExtent.top + top + bottom - textExtent.bottom) / 2,
                              textLeft + textExtent.right, (textExtent.bottom + top + bottom - textExtent.top) / 2);
    return layout;
}
