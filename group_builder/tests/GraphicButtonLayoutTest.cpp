#include "group_builder/GraphicButtonLayout.h"

#include <gtest/gtest.h>

TEST(GraphicButtonLayoutTest, ImageAndTextCentredTogether) {
    using winui::Rect;
    struct Case {
        const char* what;
        Rect client;
        Rect textExtent;
        bool hasImage;
        int imageWidth;
        int imageHeight;
        Rect image;
        Rect text;
    };
    const Case cases[] = {
        // The group builder's image buttons: 31 x 27, a 16 x 16 image, no text.
        {"no text: the image exactly centred, no gap", Rect(0, 0, 31, 27), Rect(), true, 16, 16,
         Rect(7, 5, 23, 21), Rect(25, 13, 25, 13)},
        {"text 2 pixels right of the image", Rect(0, 0, 100, 30), Rect(0, 0, 40, 14), true, 16, 16,
         Rect(21, 7, 37, 23), Rect(39, 8, 79, 22)},
        {"image taller than the text sets the height", Rect(0, 0, 100, 40), Rect(0, 0, 30, 10), true, 16, 24,
         Rect(26, 8, 42, 32), Rect(44, 15, 74, 25)},
        {"text taller than the image", Rect(0, 0, 80, 40), Rect(0, 0, 20, 30), true, 10, 10,
         Rect(24, 15, 34, 25), Rect(36, 5, 56, 35)},
        {"offset client rectangle", Rect(10, 20, 41, 47), Rect(), true, 16, 16,
         Rect(17, 25, 33, 41), Rect(35, 33, 35, 33)},
        {"without an image: a plain centred text", Rect(0, 0, 100, 30), Rect(0, 0, 40, 14), false, 0, 0,
         Rect(), Rect(30, 8, 70, 22)},
    };
    for (const Case& c : cases) {
        const GraphicButtonLayout layout =
            layoutGraphicButton(c.client, c.textExtent, c.hasImage, c.imageWidth, c.imageHeight, 2);
        EXPECT_EQ(layout.image, c.image) << c.what;
        EXPECT_EQ(layout.text, c.text) << c.what;
    }
}
