#include "viewer/SegmentPainter.h"

#include "core/app/GlobalConstants.h"
#include "ui_toolkit/Style.h"

#include <algorithm>

namespace {

void paintShape(HDC dc, const SegmentElement& element, const winui::Rect& r, bool selected,
                const SegmentPaint& paint) {
    const ResultsCellColors& c = paint.colors;
    const COLORREF ink = selected ? c.selectionText : c.text;
    fillSolidRect(dc, r, selected ? c.selection : c.background);
    SelectObject(dc, GetStockObject(DC_PEN));
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, ink);
    SetDCBrushColor(dc, selected ? c.selectedShapeFill : c.shapeFill);
    SelectObject(dc, paint.tagFont);
    SetTextColor(dc, ink);
    const int32_t q = r.height() / 4;
    if (element.kind == SegmentElementKind::OpeningTag) {
        const POINT points[] = {{r.left, r.top},
                                {r.right - q - 1, r.top},
                                {r.right - 1, r.top + r.height() / 2},
                                {r.right - q - 1, r.bottom - 1},
                                {r.left, r.bottom - 1}};
        Polygon(dc, points, 5);
        drawCenteredText(dc, element.text, winui::Rect(r.left, r.top, r.right - q, r.bottom));
    } else if (element.kind == SegmentElementKind::ClosingTag) {
        const POINT points[] = {{r.right - 1, r.top},
                                {r.left + q, r.top},
                                {r.left, r.top + r.height() / 2},
                                {r.left + q, r.bottom - 1},
                                {r.right - 1, r.bottom - 1}};
        Polygon(dc, points, 5);
        drawCenteredText(dc, element.text, winui::Rect(r.left + q, r.top, r.right, r.bottom));
    } else {
        RoundRect(dc, r.left, r.top, r.right, r.bottom, paint.cornerRadius, paint.cornerRadius);
        drawCenteredText(dc, element.text, winui::Rect(r.left, r.top + 1, r.right, r.bottom - 1));
    }
}

} // namespace

winui::Rect offsetRect(const winui::Rect& r, int32_t dx, int32_t dy) {
    return winui::Rect(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
}

ResultsPalette segmentPalette(const winui::Style* style) {
    ResultsPalette p;
    if (style) {
        p.window = style->color(winui::kColorWindow);
        p.windowText = style->color(winui::kColorWindowText);
        p.highlight = style->color(winui::kColorHighlight);
        p.highlightText = style->color(winui::kColorHighlightText);
    } else {
        p.window = systemColor(kSysWindow);
        p.windowText = systemColor(kSysWindowText);
        p.highlight = systemColor(kSysHighlight);
        p.highlightText = systemColor(kSysHighlightText);
    }
    return p;
}

void fillSolidRect(HDC dc, const winui::Rect& r, COLORREF color) {
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    const RECT rect{r.left, r.top, r.right, r.bottom};
    SetDCBrushColor(dc, color);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void drawCenteredText(HDC dc, const std::wstring& text, const winui::Rect& r) {
    RECT rect{r.left, r.top, r.right, r.bottom};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

const winui::Font& fallbackSegmentFont() {
    static const winui::Font font = [] {
        LOGFONTW logFont{};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
        return winui::Font::fromLogFont(logFont);
    }();
    return font;
}

int32_t placeholderCornerRadius(HDC dc, HFONT font) {
    if (!dc)
        return 0;
    const int saved = SaveDC(dc);
    SelectObject(dc, font);
    SIZE size{0, 0};
    const int32_t radius = GetTextExtentPoint32W(dc, L"W", 1, &size) ? size.cy * 3 / 16 : 0;
    RestoreDC(dc, saved);
    return radius;
}

void paintSegmentRuns(HDC dc, const Segment& segment, const RowLayout& layout, const winui::Rect& cell,
                      const SegmentPaint& paint) {
    const ResultsCellColors& c = paint.colors;
    const int32_t ox = cell.left;
    const int32_t oy = cell.top;

    // Everything but the runs takes the row's background; each run then paints its own
    // rectangle, so no pixel is painted twice and nothing flickers.
    const int clipSaved = SaveDC(dc);
    for (const SegmentRun& run : layout.runs) {
        if (!run.rect.isEmpty())
            ExcludeClipRect(dc, ox + run.rect.left, oy + run.rect.top, ox + run.rect.right, oy + run.rect.bottom);
    }
    fillSolidRect(dc, cell, c.background);
    RestoreDC(dc, clipSaved);

    const bool anySelected = paint.selectionFirst >= 0;
    const int32_t selFirst = std::min(paint.selectionFirst, paint.selectionLast);
    const int32_t selLast = std::max(paint.selectionFirst, paint.selectionLast);
    SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < layout.runs.size() && i < segment.size(); ++i) {
        const SegmentRun& run = layout.runs[i];
        if (run.rect.isEmpty())
            continue;
        const winui::Rect r = offsetRect(run.rect, ox, oy);
        const bool selected =
            anySelected && static_cast<int32_t>(i) >= selFirst && static_cast<int32_t>(i) <= selLast;
        const COLORREF background = selected ? c.selection : c.background;
        const COLORREF ink = selected ? c.selectionText : c.text;
        const SegmentElement& element = segment[i];

        if (isEllipsisRun(segment, i)) {
            const RECT opaque{r.left, r.top, r.right, r.bottom};
            SelectObject(dc, paint.font);
            SetTextColor(dc, ink);
            SetBkColor(dc, background);
            ExtTextOutW(dc, r.left, r.top, ETO_OPAQUE | ETO_CLIPPED, &opaque, L"...", 3, nullptr);
            continue;
        }
        if (run.flags & RunShape) {
            paintShape(dc, element, r, selected, paint);
            continue;
        }

        const bool isMatched = (run.flags & RunMatched) != 0;
        COLORREF runBackground = background;
        COLORREF runText = ink;
        COLORREF pen = ink;
        if (isMatched && !selected) {
            runBackground = paint.matched.background;
            runText = paint.matched.text;
            pen = paint.matched.pen;
        }
        if (element.kind == SegmentElementKind::Space) {
            fillSolidRect(dc, r, runBackground);
        } else {
            // Background and text in one call, so that no pixel is painted twice.
            const RECT opaque{r.left, r.top, r.right, r.bottom};
            SelectObject(dc, isMatched && paint.matchedFont ? paint.matchedFont : paint.font);
            SetTextColor(dc, runText);
            SetBkColor(dc, runBackground);
            ExtTextOutW(dc, r.left, r.top, ETO_OPAQUE | ETO_CLIPPED, &opaque, element.text.c_str(),
                        static_cast<UINT>(element.text.size()), nullptr);
        }
        if (isMatched && paint.matched.underline)
            fillSolidRect(dc, winui::Rect(r.left, r.bottom - 1, r.right, r.bottom), pen);
    }
}

DcRunMeasurer::DcRunMeasurer(HDC dc, HFONT normal, HFONT matched) : dc_(dc), normal_(normal), matched_(matched) {
    saved_ = dc_ ? SaveDC(dc_) : 0;
}

DcRunMeasurer::~DcRunMeasurer() {
    if (saved_)
        RestoreDC(dc_, saved_);
}

SIZE DcRunMeasurer::measure(const std::wstring& text, bool matched) {
    SIZE size{0, 0};
    if (!dc_)
        return size;
    HFONT wanted = matched && matched_ ? matched_ : normal_;
    if (wanted != selected_) {
        SelectObject(dc_, wanted);
        selected_ = wanted;
    }
    if (!GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size))
        size = SIZE{0, 0};
    return size;
}
