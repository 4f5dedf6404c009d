#pragma once

#include "tmx_engine/SegmentElement.h"
#include "viewer/ResultsColors.h"
#include "viewer/ResultsLayout.h"

#include "core/values/Font.h"
#include "core/values/Rect.h"

#include <windows.h>

#include <cstdint>
#include <string>

// Painting of laid-out segments, shared by the results box and the document view: words in
// the box's font, tags as arrow shapes, placeholders as rounded boxes, each labelled in the
// smaller tag font; selected runs in the selection colours, matched words emphasised.

// Fonts and colours of one painted segment.
struct SegmentPaint {
    HFONT font = nullptr;
    HFONT matchedFont = nullptr;
    HFONT tagFont = nullptr;
    int32_t cornerRadius = 0;
    ResultsCellColors colors{};
    MatchedRunColors matched{};
    // The selected runs, both included, in either order; -1 for none.
    int32_t selectionFirst = -1;
    int32_t selectionLast = -1;
};

namespace winui {
class Style;
}

// The colours of the style that segments are painted with; the system's without a style.
ResultsPalette segmentPalette(const winui::Style* style);

// Paints the cell: its background around the runs, then each run in its own rectangle, so that
// no pixel is painted twice. The layout's run rectangles are relative to the cell.
void paintSegmentRuns(HDC dc, const Segment& segment, const RowLayout& layout, const winui::Rect& cell,
                      const SegmentPaint& paint);

// The rectangle moved by dx, dy.
winui::Rect offsetRect(const winui::Rect& r, int32_t dx, int32_t dy);
void fillSolidRect(HDC dc, const winui::Rect& r, COLORREF color);
void drawCenteredText(HDC dc, const std::wstring& text, const winui::Rect& r);

// The font used while a box has none of its own: the system's dialog font.
const winui::Font& fallbackSegmentFont();

// The corner radius of placeholder boxes: 3/16 of the height of "W" in the font; 0 when the
// device context cannot measure.
int32_t placeholderCornerRadius(HDC dc, HFONT font);

// Measures runs in a device context, in the normal font or the font of matched words.
class DcRunMeasurer : public RunMeasurer {
public:
    DcRunMeasurer(HDC dc, HFONT normal, HFONT matched);
    ~DcRunMeasurer() override;
    DcRunMeasurer(const DcRunMeasurer&) = delete;
    DcRunMeasurer& operator=(const DcRunMeasurer&) = delete;

    SIZE measure(const std::wstring& text, bool matched) override;

private:
    HDC dc_;
    HFONT normal_;
    HFONT matched_;
    HFONT selected_ = nullptr;
    int saved_ = 0;
};
