#include "viewer/TmxViewerResultsBox.h"

#include "core/app/GlobalConstants.h"
#include "core/settings/Settings.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxEntryProvider.h"
#include "tmx_engine/WordTokenizer.h"
#include "ui_toolkit/Style.h"
#include "viewer/SearchSettings.h"

#include <algorithm>
#include <cstdlib>

namespace {

const wchar_t kTextColorKey[] = L"resultsTextColor";
const wchar_t kBackground1Key[] = L"resultsBgColor1";
const wchar_t kBackground2Key[] = L"resultsBgColor2";
const wchar_t kMatchedTextStyleKey[] = L"matchedTextStyle";
const wchar_t kTmColorModeKey[] = L"tmColorMode";
const wchar_t kShowPlaceholdersKey[] = L"showPlaceHolders";
const wchar_t kShowTagsKey[] = L"showTags";
const wchar_t kMemberColumnFontKey[] = L"tmColFont";

// A drag must leave the press point by more than this before it selects.
constexpr int32_t kDragThreshold = 3;
constexpr int32_t kNoAnchor = static_cast<int32_t>(0x80000001);

void fillRect(HDC dc, const winui::Rect& r, COLORREF color) {
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    const RECT rect{r.left, r.top, r.right, r.bottom};
    SetDCBrushColor(dc, color);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void drawCentered(HDC dc, const std::wstring& text, const winui::Rect& r) {
    RECT rect{r.left, r.top, r.right, r.bottom};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

winui::Rect offsetRect(const winui::Rect& r, int32_t dx, int32_t dy) {
    return winui::Rect(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
}

// The font used while a box has none of its own: the system's dialog font.
const winui::Font& fallbackFont() {
    static const winui::Font font = [] {
        LOGFONTW logFont{};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
        return winui::Font::fromLogFont(logFont);
    }();
    return font;
}

} // namespace

// Measures runs in the box's measuring canvas, in the box's font or the font of matched words.
class TmxViewerResultsBox::Measurer : public RunMeasurer {
public:
    Measurer(HDC dc, HFONT normal, HFONT matched) : dc_(dc), normal_(normal), matched_(matched) {
        saved_ = dc_ ? SaveDC(dc_) : 0;
    }
    ~Measurer() override {
        if (saved_)
            RestoreDC(dc_, saved_);
    }
    Measurer(const Measurer&) = delete;
    Measurer& operator=(const Measurer&) = delete;

    SIZE measure(const std::wstring& text, bool matched) override {
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

private:
    HDC dc_;
    HFONT normal_;
    HFONT matched_;
    HFONT selected_ = nullptr;
    int saved_ = 0;
};

TmxViewerResultsBox::TmxViewerResultsBox(winui::Control* parent) : winui::Grid(parent) {
    for (const wchar_t* key : {kTextColorKey, kBackground1Key, kBackground2Key, kMatchedTextStyleKey,
                               kTmColorModeKey, kShowPlaceholdersKey, kShowTagsKey, kMemberColumnFontKey})
        trackSetting(key);
    setProvider(this);
    cellPressedLink_.connect(cellPressed, this, &TmxViewerResultsBox::onCellPressed);
    mouseReleasedLink_.connect(mouseReleased, this, &TmxViewerResultsBox::onMouseReleased);
    mouseDraggedLink_.connect(mouseDragged, this, &TmxViewerResultsBox::onMouseDragged);
    readSettings();
    rebuildFonts();
}

TmxViewerResultsBox::~TmxViewerResultsBox() { setProvider(nullptr); }

void TmxViewerResultsBox::fill(const std::wstring& sourceLanguage, const std::wstring& targetLanguage,
                               TmxEntryProvider* provider, const SearchResults& results, int32_t maximum,
                               const std::wstring& query) {
    clearSelection();
    currentRow_ = -1;
    const size_t shown = std::min(static_cast<size_t>(sanitiseMaxSearchResults(maximum)), results.size());
    results_.assign(results.begin(), results.begin() + static_cast<std::ptrdiff_t>(shown));
    dropLayouts();

    matchedWords_.clear();
    WordTokenizer tokenizer(query);
    while (tokenizer.start() != tokenizer.end()) {
        const SegmentElement& token = tokenizer.token();
        if (token.kind == SegmentElementKind::Word)
            matchedWords_.insert(token.extra);
        if (tokenizer.advance())
            tokenizer.next();
    }

    entryProvider_ = provider;
    sourceLanguage_ = sourceLanguage;
    targetLanguage_ = targetLanguage;
    columnCount_ = !provider ? 0 : (provider->fileCount() == 1 ? 1 : 2);
    recomputeColumnWidths();
    topRow = 0;
    firstColumn = 0;
    fireAllChanged();
}

void TmxViewerResultsBox::clear() {
    clearSelection();
    currentRow_ = -1;
    results_.clear();
    results_.shrink_to_fit();
    dropLayouts();
    entryProvider_ = nullptr;
    matchedWords_.clear();
    columnCount_ = 0;
    recomputeColumnWidths();
    topRow = 0;
    firstColumn = 0;
    fireAllChanged();
}

Segment TmxViewerResultsBox::selectedElements() {
    if (noSelection || currentRow_ < 0)
        return Segment();
    const TmxEntry* entry = nullptr;
    const Segment* segment = segmentOfRow(currentRow_, entry);
    return segment ? selectedRunElements(*segment, firstRun_, lastRun_) : Segment();
}

int32_t TmxViewerResultsBox::rowCount() { return static_cast<int32_t>(results_.size() * 2); }

int32_t TmxViewerResultsBox::columnCount() { return columnCount_; }

int32_t TmxViewerResultsBox::rowHeight(int32_t row) {
    const RowLayout* layout = layoutOfRow(row);
    return layout ? layout->box.bottom : 0;
}

int32_t TmxViewerResultsBox::columnWidth(int32_t column) {
    if (column == 0)
        return segmentColumnWidth_;
    return column == 1 ? memberColumnWidth_ : 0;
}

void TmxViewerResultsBox::drawCell(int32_t row, int32_t column, winui::Canvas& canvas, const winui::Rect& cell) {
    if (!canvas.dc)
        return;
    const int saved = SaveDC(canvas.dc);
    if (column == 0)
        drawSegmentCell(row, canvas.dc, cell);
    else if (column == 1)
        drawMemberCell(row, canvas.dc, cell);
    RestoreDC(canvas.dc, saved);
}

void TmxViewerResultsBox::drawEmptyArea(winui::Canvas& canvas, const winui::Rect& area) {
    if (!canvas.dc)
        return;
    fillRect(canvas.dc, area, colors_.background1 != kNoColor ? colors_.background1 : palette().window);
}

void TmxViewerResultsBox::onResized() {
    recomputeColumnWidths();
    dropLayouts();
    winui::Grid::onResized();
}

void TmxViewerResultsBox::onFontChanged() {
    rebuildFonts();
    recomputeColumnWidths();
    dropLayouts();
    winui::Grid::onResized();
    fireHandlers(contentChanged);
}

void TmxViewerResultsBox::onStyleChanged() { fireHandlers(contentChanged); }

void TmxViewerResultsBox::settingsChanged() {
    readSettings();
    rebuildFonts();
    recomputeColumnWidths();
    dropLayouts();
    winui::Grid::onResized();
    fireHandlers(contentChanged);
}

const TmxEntry* TmxViewerResultsBox::entryOfRow(int32_t row) {
    if (!entryProvider_ || row < 0 || static_cast<size_t>(row) >= results_.size() * 2)
        return nullptr;
    return entryProvider_->readEntry(results_[static_cast<size_t>(row) / 2].entryId);
}

const Segment* TmxViewerResultsBox::segmentOfRow(int32_t row, const TmxEntry*& entry) {
    entry = entryOfRow(row);
    if (!entry)
        return nullptr;
    return &findSegment(*entry, row % 2 == 0 ? sourceLanguage_ : targetLanguage_).segment;
}

const RowLayout* TmxViewerResultsBox::layoutOfRow(int32_t row) {
    if (const RowLayout* cached = layouts_.find(row))
        return cached;
    const TmxEntry* entry = nullptr;
    const Segment* segment = segmentOfRow(row, entry);
    if (!segment)
        return nullptr;
    auto layout = std::make_unique<RowLayout>();
    RunLayoutOptions options;
    options.columnWidth = segmentColumnWidth_;
    options.showPlaceholders = showPlaceholders_;
    options.showTags = showTags_;
    const winui::Font& boxFont = font.isNull() ? fallbackFont() : font;
    Measurer measurer(measuring_.dc, boxFont.handle(), matchedFont_.handle());
    layoutSegmentRuns(*segment, matchedWords_, options, measurer, *layout);
    ++layoutsBuilt_;
    return layouts_.store(row, std::move(layout));
}

void TmxViewerResultsBox::dropLayouts() { layouts_.clear(); }

void TmxViewerResultsBox::readSettings() {
    Settings& settings = Settings::global();
    colors_.text = settings.get<unsigned long>(kTextColorKey, colors_.text);
    colors_.background1 = settings.get<unsigned long>(kBackground1Key, colors_.background1);
    colors_.background2 = settings.get<unsigned long>(kBackground2Key, colors_.background2);
    colors_.matchedTextStyle = settings.get<int>(kMatchedTextStyleKey, colors_.matchedTextStyle);
    colors_.tmColorMode = settings.get<int>(kTmColorModeKey, colors_.tmColorMode);
    showPlaceholders_ = settings.get<bool>(kShowPlaceholdersKey, showPlaceholders_);
    showTags_ = settings.get<bool>(kShowTagsKey, showTags_);
}

void TmxViewerResultsBox::rebuildFonts() {
    const winui::Font& boxFont = font.isNull() ? fallbackFont() : font;
    if (colors_.matchedTextStyle == MatchedBold)
        matchedFont_.assignStyled(winui::FontMakeBold, boxFont);
    else if (colors_.matchedTextStyle == MatchedItalic)
        matchedFont_.assignStyled(winui::FontMakeItalic, boxFont);
    else
        matchedFont_.assign(boxFont);
    tagFont_.assignStyled(winui::FontTwoPixelsSmaller, boxFont);
    memberColumnFont_.assign(Settings::global().get<winui::Font>(kMemberColumnFontKey, boxFont));
    if (memberColumnFont_.isNull())
        memberColumnFont_.assign(boxFont);

    cornerRadius_ = 0;
    if (measuring_.dc) {
        const int saved = SaveDC(measuring_.dc);
        SelectObject(measuring_.dc, boxFont.handle());
        SIZE size{0, 0};
        if (GetTextExtentPoint32W(measuring_.dc, L"W", 1, &size))
            cornerRadius_ = size.cy * 3 / 16;
        RestoreDC(measuring_.dc, saved);
    }
}

void TmxViewerResultsBox::recomputeColumnWidths() {
    const int32_t width = std::max<int32_t>(clientRect().width(), 0);
    memberColumnWidth_ = 0;
    if (columnCount_ == 2 && entryProvider_ && measuring_.dc) {
        const int saved = SaveDC(measuring_.dc);
        SelectObject(measuring_.dc, memberColumnFont_.handle());
        auto textWidth = [this](const std::wstring& text) {
            SIZE size{0, 0};
            return GetTextExtentPoint32W(measuring_.dc, text.c_str(), static_cast<int>(text.size()), &size)
                       ? static_cast<int32_t>(size.cx)
                       : 0;
        };
        int32_t widest = 0;
        for (const std::wstring& name : entryProvider_->memberNames())
            widest = std::max(widest, textWidth(name));
        memberColumnWidth_ = widest + textWidth(L"tttt");
        RestoreDC(measuring_.dc, saved);
    }
    segmentColumnWidth_ = std::max<int32_t>(width - memberColumnWidth_, 0);
}

ResultsPalette TmxViewerResultsBox::palette() const {
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

void TmxViewerResultsBox::repaintSelection() {
    if (currentRow_ >= 0)
        repaintRow(currentRow_);
}

void TmxViewerResultsBox::clearSelection() {
    firstRun_ = -1;
    lastRun_ = -1;
    noSelection = true;
    anchorX_ = kNoAnchor;
    anchorY_ = kNoAnchor;
    runsRect_ = winui::Rect();
}

bool TmxViewerResultsBox::rowOrigin(int32_t row, winui::Point& origin) {
    const winui::GridSpan span = rowBounds(row);
    if (!span.visible)
        return false;
    origin = winui::Point(0, span.start);
    return true;
}

void TmxViewerResultsBox::fireAllChanged() {
    fireHandlers(columnsChanged);
    fireHandlers(rowsChanged);
    fireHandlers(contentChanged);
}

void TmxViewerResultsBox::drawSegmentCell(int32_t row, HDC dc, const winui::Rect& cell) {
    const TmxEntry* entry = nullptr;
    const Segment* segment = segmentOfRow(row, entry);
    const RowLayout* layout = segment ? layoutOfRow(row) : nullptr;
    if (!layout)
        return;
    const uint32_t entryId = results_[static_cast<size_t>(row) / 2].entryId;
    const ResultsCellColors c =
        resultsCellColors(colors_, palette(), entryProvider_->memberColor(entryId), row % 2 == 1);
    const MatchedRunColors matched = matchedRunColors(colors_, c);
    const int32_t ox = cell.left;
    const int32_t oy = cell.top;

    // Everything but the runs takes the row's background; each run then paints its own
    // rectangle, so no pixel is painted twice and nothing flickers.
    const int clipSaved = SaveDC(dc);
    for (const SegmentRun& run : layout->runs) {
        if (!run.rect.isEmpty())
            ExcludeClipRect(dc, ox + run.rect.left, oy + run.rect.top, ox + run.rect.right, oy + run.rect.bottom);
    }
    fillRect(dc, cell, c.background);
    RestoreDC(dc, clipSaved);

    const winui::Font& boxFont = font.isNull() ? fallbackFont() : font;
    const bool selectionHere = row == currentRow_ && firstRun_ >= 0;
    const int32_t selFirst = std::min(firstRun_, lastRun_);
    const int32_t selLast = std::max(firstRun_, lastRun_);
    SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < layout->runs.size(); ++i) {
        const SegmentRun& run = layout->runs[i];
        if (run.rect.isEmpty())
            continue;
        const winui::Rect r = offsetRect(run.rect, ox, oy);
        const bool selected = selectionHere && static_cast<int32_t>(i) >= selFirst && static_cast<int32_t>(i) <= selLast;
        const COLORREF background = selected ? c.selection : c.background;
        const COLORREF ink = selected ? c.selectionText : c.text;
        const SegmentElement& element = (*segment)[i];

        if (isEllipsisRun(*segment, i)) {
            const RECT opaque{r.left, r.top, r.right, r.bottom};
            SelectObject(dc, boxFont.handle());
            SetTextColor(dc, ink);
            SetBkColor(dc, background);
            ExtTextOutW(dc, r.left, r.top, ETO_OPAQUE | ETO_CLIPPED, &opaque, L"...", 3, nullptr);
            continue;
        }
        if (run.flags & RunShape) {
            fillRect(dc, r, background);
            SelectObject(dc, GetStockObject(DC_PEN));
            SelectObject(dc, GetStockObject(DC_BRUSH));
            SetDCPenColor(dc, ink);
            SetDCBrushColor(dc, selected ? c.selectedShapeFill : c.shapeFill);
            SelectObject(dc, tagFont_.handle());
            SetTextColor(dc, ink);
            const int32_t q = r.height() / 4;
            if (element.kind == SegmentElementKind::OpeningTag) {
                const POINT points[] = {{r.left, r.top},
                                        {r.right - q - 1, r.top},
                                        {r.right - 1, r.top + r.height() / 2},
                                        {r.right - q - 1, r.bottom - 1},
                                        {r.left, r.bottom - 1}};
                Polygon(dc, points, 5);
                drawCentered(dc, element.text, winui::Rect(r.left, r.top, r.right - q, r.bottom));
            } else if (element.kind == SegmentElementKind::ClosingTag) {
                const POINT points[] = {{r.right - 1, r.top},
                                        {r.left + q, r.top},
                                        {r.left, r.top + r.height() / 2},
                                        {r.left + q, r.bottom - 1},
                                        {r.right - 1, r.bottom - 1}};
                Polygon(dc, points, 5);
                drawCentered(dc, element.text, winui::Rect(r.left + q, r.top, r.right, r.bottom));
            } else {
                RoundRect(dc, r.left, r.top, r.right, r.bottom, cornerRadius_, cornerRadius_);
                drawCentered(dc, element.text, winui::Rect(r.left, r.top + 1, r.right, r.bottom - 1));
            }
            continue;
        }

        const bool isMatched = (run.flags & RunMatched) != 0;
        COLORREF runBackground = background;
        COLORREF runText = ink;
        COLORREF pen = ink;
        if (isMatched && !selected) {
            runBackground = matched.background;
            runText = matched.text;
            pen = matched.pen;
        }
        if (element.kind == SegmentElementKind::Space) {
            fillRect(dc, r, runBackground);
        } else {
            // Background and text in one call, so that no pixel is painted twice.
            const RECT opaque{r.left, r.top, r.right, r.bottom};
            SelectObject(dc, (isMatched ? matchedFont_ : boxFont).handle());
            SetTextColor(dc, runText);
            SetBkColor(dc, runBackground);
            ExtTextOutW(dc, r.left, r.top, ETO_OPAQUE | ETO_CLIPPED, &opaque, element.text.c_str(),
                        static_cast<UINT>(element.text.size()), nullptr);
        }
        if (isMatched && matched.underline)
            fillRect(dc, winui::Rect(r.left, r.bottom - 1, r.right, r.bottom), pen);
    }
}

void TmxViewerResultsBox::drawMemberCell(int32_t row, HDC dc, const winui::Rect& cell) {
    if (!entryProvider_ || row < 0 || static_cast<size_t>(row) >= results_.size() * 2)
        return;
    const uint32_t entryId = results_[static_cast<size_t>(row) / 2].entryId;
    const MemberCellColors m =
        memberCellColors(colors_, palette(), entryProvider_->memberColor(entryId), row % 2 == 1);
    fillRect(dc, cell, m.background);
    SelectObject(dc, memberColumnFont_.handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, m.text);
    drawCentered(dc, entryProvider_->memberName(entryId), cell);
    if (m.leftLine)
        fillRect(dc, winui::Rect(cell.left, cell.top, cell.left + 1, cell.bottom), m.line);
}

void TmxViewerResultsBox::onCellPressed() {
    const bool hadSelection = firstRun_ >= 0;
    if (hadSelection) {
        repaintSelection();
        clearSelection();
    }
    currentRow_ = pressedRow;
    anchorX_ = mouseX;
    anchorY_ = mouseY;
    const RowLayout* layout = layoutOfRow(currentRow_);
    winui::Point origin;
    const bool hasRuns = layout && !layout->runs.empty();
    runsRect_ = hasRuns && rowOrigin(currentRow_, origin)
                    ? offsetRect(runsBounds(*layout), origin.x, origin.y)
                    : winui::Rect();
    if (hasRuns)
        fireHandlers(rowPressed);
    if (hadSelection)
        fireHandlers(selectionChanged);
}

void TmxViewerResultsBox::onMouseDragged() {
    if (currentRow_ < 0 || pressedRow != currentRow_ || anchorX_ == kNoAnchor || runsRect_.isEmpty())
        return;
    const int32_t x = std::min(std::max(mouseX, runsRect_.left), runsRect_.right - 1);
    const int32_t y = std::min(std::max(mouseY, runsRect_.top), runsRect_.bottom - 1);
    if (std::max(std::abs(x - anchorX_), std::abs(y - anchorY_)) <= kDragThreshold) {
        if (firstRun_ >= 0) {
            firstRun_ = lastRun_ = -1;
            noSelection = true;
            repaintSelection();
        }
        return;
    }
    const RowLayout* layout = layoutOfRow(currentRow_);
    winui::Point origin;
    if (!layout || !rowOrigin(currentRow_, origin))
        return;
    const int32_t run = runAt(*layout, x - origin.x, y - origin.y);
    if (run < 0)
        return;
    if (firstRun_ < 0)
        firstRun_ = run;
    if (lastRun_ == run && !noSelection)
        return;
    lastRun_ = run;
    noSelection = false;
    repaintSelection();
}

void TmxViewerResultsBox::onMouseReleased() {
    anchorX_ = kNoAnchor;
    anchorY_ = kNoAnchor;
    runsRect_ = winui::Rect();
    if (firstRun_ > lastRun_)
        std::swap(firstRun_, lastRun_);
    if (firstRun_ >= 0)
        fireHandlers(selectionChanged);
}
