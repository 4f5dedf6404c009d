#include "viewer/TmxViewerResultsBox.h"

#include "core/app/GlobalConstants.h"
#include "core/settings/Settings.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxEntryProvider.h"
#include "tmx_engine/WordTokenizer.h"
#include "ui_toolkit/Style.h"
#include "viewer/SearchSettings.h"
#include "viewer/SegmentPainter.h"

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

} // namespace

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
    fillSolidRect(canvas.dc, area, colors_.background1 != kNoColor ? colors_.background1 : palette().window);
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
    const winui::Font& boxFont = font.isNull() ? fallbackSegmentFont() : font;
    DcRunMeasurer measurer(measuring_.dc, boxFont.handle(), matchedFont_.handle());
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
    const winui::Font& boxFont = font.isNull() ? fallbackSegmentFont() : font;
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

    cornerRadius_ = placeholderCornerRadius(measuring_.dc, boxFont.handle());
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

ResultsPalette TmxViewerResultsBox::palette() const { return segmentPalette(style); }

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
    SegmentPaint paint;
    paint.colors = resultsCellColors(colors_, palette(), entryProvider_->memberColor(entryId), row % 2 == 1);
    paint.matched = matchedRunColors(colors_, paint.colors);
    paint.font = (font.isNull() ? fallbackSegmentFont() : font).handle();
    paint.matchedFont = matchedFont_.handle();
    paint.tagFont = tagFont_.handle();
    paint.cornerRadius = cornerRadius_;
    if (row == currentRow_ && firstRun_ >= 0) {
        paint.selectionFirst = firstRun_;
        paint.selectionLast = lastRun_;
    }
    paintSegmentRuns(dc, *segment, *layout, cell, paint);
}

void TmxViewerResultsBox::drawMemberCell(int32_t row, HDC dc, const winui::Rect& cell) {
    if (!entryProvider_ || row < 0 || static_cast<size_t>(row) >= results_.size() * 2)
        return;
    const uint32_t entryId = results_[static_cast<size_t>(row) / 2].entryId;
    const MemberCellColors m =
        memberCellColors(colors_, palette(), entryProvider_->memberColor(entryId), row % 2 == 1);
    fillSolidRect(dc, cell, m.background);
    SelectObject(dc, memberColumnFont_.handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, m.text);
    drawCenteredText(dc, entryProvider_->memberName(entryId), cell);
    if (m.leftLine)
        fillSolidRect(dc, winui::Rect(cell.left, cell.top, cell.left + 1, cell.bottom), m.line);
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
