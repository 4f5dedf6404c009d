#pragma once

#include "ui_toolkit/Button.h"

#include <string>

namespace winui {

class Image;

// A push button that shows a named image left of its text, the two centred together. It is
// always owner-drawn: on the style's button face when the style gives one, else on the
// platform's own button face, so that the image shows either way.
class GraphicButton : public Button {
public:
    explicit GraphicButton(Control* parent);

    // The named image of the bitmap package; an unknown name shows none.
    void setImage(const std::wstring& name);
    // The next paint lays image and text out again.
    void invalidateLayout() { needsLayout = true; }

    void onResized() override { invalidateLayout(); }
    void onFontChanged() override { invalidateLayout(); }
    void onTextChanged() override { invalidateLayout(); }
    void onStyleChanged() override;
    // The text's place from the last layout.
    Rect centeredTextRect(Canvas& canvas, const std::wstring& text, const Rect& rect) override;
    void drawItem(Canvas& canvas, DRAWITEMSTRUCT* item) override;

    // Shared, not owned; null for none.
    Image* image = nullptr;
    int32_t gap = 2;
    Rect imageRect;
    Rect textRect;
    // Layout is lazy: it runs at the next paint after creation, a new image, a resize, a font
    // change or a text change.
    bool needsLayout = true;

private:
    bool hasImage() const;
    void layout(Canvas& canvas, const Rect& client, const std::wstring& caption);
    // The platform's face, text and focus mark, for a window without a styled face.
    void drawNativeFace(Canvas& canvas, const DRAWITEMSTRUCT& item, const Rect& client);
};

} // namespace winui
