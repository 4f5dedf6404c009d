#include "viewer/DocumentGrid.h"

#include "core/app/GlobalConstants.h"
#include "core/settings/Settings.h"
#include "ui_toolkit/BlendColors.h"
#include "ui_toolkit/Style.h"
#include "viewer/SegmentPainter.h"
#include "viewer/documents/TranslatableContentProvider.h"

#include <algorithm>

namespace {

const wchar_t kShowPlaceholdersKey[] = L"showPlaceHolders";
const wchar_t kShowTagsKey[] = L"showTags";

// How much of the highlight colour tints the selected row's segments.
constexpr int32_t kSelectedTintPercent = 18;
// An unusable row's text is drawn this far toward its background.
constexpr int32_t kUnusableFadePercent = 45;

TranslatableContentProvider* orEmpty(TranslatableContentProvider* document) {
    return document ? document : &TranslatableContentProvider::empty();
}

} // namespace

DocumentGrid::DocumentGrid(winui::Control* parent)
    : winui::Grid(parent), document_(&TranslatableContentProvider::empty()) {
    trackSetting(kShowPlaceholdersKey);
    trackSetting(kShowTagsKey);
    setProvider(this);
    cellPressedLink_.connect(cellPressed, this, &DocumentGrid::onCellPressed);
    readSettings();
    rebuildFonts();
}

DocumentGrid::~DocumentGrid() { setProvider(nullptr); }

void DocumentGrid::setDocumentProvider(TranslatableContentProvider* document) {
    document = orEmpty(document);
    if (document == document_)
        return;
    document_ = document;
    layouts_.clear();
    const int32_t old = selected_;
    selected_ = -1;
    topRow = 0;
    firstColumn = 0;
    recomputeColumns();
    fireAllChanged();
    if (old != selected_)
        fireHandlersT2(selectionChanged, old, selected_);
}

void DocumentGrid::selectDocumentRow(int32_t row) {
    row = std::min(std::max(row, -1), document_->rowCount() - 1);
    if (row == selected_)
        return;
    const int32_t old = selected_;
    selected_ = row;
    if (old >= 0)
        repaintRow(old);
    if (row >= 0) {
        repaintRow(row);
        ensureRowVisible(row);
    }
    fireHandlersT2(selectionChanged, old, row);
}

void DocumentGrid::documentRowChanged(int32_t row) {
    if (row < 0 || row >= document_->rowCount())
        return;
    // The row's layouts are dropped by storing nothing in their place: a new layout is built
    // on the next use. The height may change, so the rows are recounted.
    layouts_.store(row * 2, nullptr);
    layouts_.store(row * 2 + 1, nullptr);
    fireHandlers(rowsChanged);
    fireHandlers(contentChanged);
}

void DocumentGrid::documentRowsChanged() {
    layouts_.clear();
    if (selected_ >= document_->rowCount()) {
        const int32_t old = selected_;
        selected_ = document_->rowCount() - 1;
        fireHandlersT2(selectionChanged, old, selected_);
    }
    fireAllChanged();
}

int32_t DocumentGrid::rowCount() { return document_->rowCount(); }

int32_t DocumentGrid::columnCount() { return document_->rowCount() > 0 ? kDocumentColumnCount : 0; }

int32_t DocumentGrid::rowHeight(int32_t row) {
    const RowLayout* source = sideLayout(row, 0);
    const int32_t sourceHeight = source ? source->box.bottom : 0;
    const RowLayout* target = sideLayout(row, 1);
    const int32_t targetHeight = target ? target->box.bottom : 0;
    return documentRowHeight(sourceHeight, targetHeight, minRowHeight_);
}

int32_t DocumentGrid::columnWidth(int32_t column) {
    return column >= 0 && column < kDocumentColumnCount ? columns_.width[column] : 0;
}

const RowLayout* DocumentGrid::sideLayout(int32_t row, int32_t side) {
    if (row < 0 || row >= document_->rowCount() || side < 0 || side > 1)
        return nullptr;
    const int32_t key = row * 2 + side;
    if (const RowLayout* cached = layouts_.find(key))
        return cached;
    Segment segment;
    if (!(side == 0 ? document_->getSource(row, segment) : document_->getTarget(row, segment)))
        return nullptr;
    auto layout = std::make_unique<RowLayout>();
    RunLayoutOptions options;
    options.columnWidth = columns_.width[side == 0 ? kColumnSource : kColumnTarget];
    options.showPlaceholders = showPlaceholders_;
    options.showTags = showTags_;
    DcRunMeasurer measurer(measuring_.dc, boxFont().handle(), nullptr);
    layoutSegmentRuns(segment, {}, options, measurer, *layout);
    return layouts_.store(key, std::move(layout));
}

void DocumentGrid::drawCell(int32_t row, int32_t column, winui::Canvas& canvas, const winui::Rect& cell) {
    if (!canvas.dc)
        return;
    const int saved = SaveDC(canvas.dc);
    if (column == kColumnNumber)
        drawNumberCell(row, canvas.dc, cell);
    else if (column == kColumnSource || column == kColumnTarget)
        drawSideCell(row, column == kColumnSource ? 0 : 1, canvas.dc, cell);
    RestoreDC(canvas.dc, saved);
}

void DocumentGrid::drawEmptyArea(winui::Canvas& canvas, const winui::Rect& area) {
    if (canvas.dc)
        fillSolidRect(canvas.dc, area, palette().window);
}

void DocumentGrid::drawNumberCell(int32_t row, HDC dc, const winui::Rect& cell) {
    const ResultsPalette p = palette();
    const bool selected = row == selected_;
    const COLORREF face = systemColor(kSysButtonFace);
    fillSolidRect(dc, cell, selected ? p.highlight : face);
    const DocumentRowState state = documentRowState(
        document_->isTargetEdited(row), document_->isTargetConfirmed(row), document_->isRowUnusable(row));
    if (state != DocumentRowState::Plain)
        fillSolidRect(dc, winui::Rect(cell.left, cell.top, cell.left + kStateBandWidth, cell.bottom),
                      documentStateColor(state));
    SelectObject(dc, boxFont().handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? p.highlightText : p.windowText);
    RECT text{cell.left + kStateBandWidth, cell.top + kRunsTop, cell.right - 4, cell.bottom};
    const std::wstring number = std::to_wstring(row + 1);
    DrawTextW(dc, number.c_str(), static_cast<int>(number.size()), &text, DT_RIGHT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    // The line under the row.
    fillSolidRect(dc, winui::Rect(cell.left, cell.bottom - 1, cell.right, cell.bottom), systemColor(kSysButtonShadow));
}

void DocumentGrid::drawSideCell(int32_t row, int32_t side, HDC dc, const winui::Rect& cell) {
    Segment segment;
    const bool read = side == 0 ? document_->getSource(row, segment) : document_->getTarget(row, segment);
    const RowLayout* layout = read ? sideLayout(row, side) : nullptr;
    const ResultsPalette p = palette();
    if (!layout) {
        fillSolidRect(dc, cell, p.window);
        return;
    }
    SegmentPaint paint;
    paint.colors = resultsCellColors(ResultsColorSettings(), p, kNoColor, side == 1);
    if (row == selected_) {
        paint.colors.background = winui::blendColors(paint.colors.background, p.highlight, kSelectedTintPercent);
    }
    if (document_->isRowUnusable(row))
        paint.colors.text = winui::blendColors(paint.colors.text, paint.colors.background, kUnusableFadePercent);
    paint.font = boxFont().handle();
    paint.tagFont = tagFont_.handle();
    paint.cornerRadius = cornerRadius_;
    paintSegmentRuns(dc, segment, *layout, cell, paint);
    const COLORREF line = systemColor(kSysButtonShadow);
    fillSolidRect(dc, winui::Rect(cell.left, cell.bottom - 1, cell.right, cell.bottom), line);
    if (side == 1)
        fillSolidRect(dc, winui::Rect(cell.left, cell.top, cell.left + 1, cell.bottom), line);
}

void DocumentGrid::onResized() {
    recomputeColumns();
    layouts_.clear();
    winui::Grid::onResized();
}

void DocumentGrid::onFontChanged() {
    rebuildFonts();
    recomputeColumns();
    layouts_.clear();
    winui::Grid::onResized();
    fireHandlers(contentChanged);
}

void DocumentGrid::onStyleChanged() { fireHandlers(contentChanged); }

void DocumentGrid::settingsChanged() {
    readSettings();
    layouts_.clear();
    winui::Grid::onResized();
    fireHandlers(contentChanged);
}

void DocumentGrid::readSettings() {
    Settings& settings = Settings::global();
    showPlaceholders_ = settings.get<bool>(kShowPlaceholdersKey, showPlaceholders_);
    showTags_ = settings.get<bool>(kShowTagsKey, showTags_);
}

const winui::Font& DocumentGrid::boxFont() const { return font.isNull() ? fallbackSegmentFont() : font; }

void DocumentGrid::rebuildFonts() {
    tagFont_.assignStyled(winui::FontTwoPixelsSmaller, boxFont());
    cornerRadius_ = placeholderCornerRadius(measuring_.dc, boxFont().handle());
    numberWidth_ = 0;
    minRowHeight_ = kEmptyRowHeight;
    if (measuring_.dc) {
        const int saved = SaveDC(measuring_.dc);
        SelectObject(measuring_.dc, boxFont().handle());
        SIZE size{0, 0};
        if (GetTextExtentPoint32W(measuring_.dc, L"000000", 6, &size)) {
            numberWidth_ = size.cx + kStateBandWidth + 8;
            minRowHeight_ = std::max<int32_t>(kEmptyRowHeight, size.cy + kRunsTop + kRunsBottomMargin);
        }
        RestoreDC(measuring_.dc, saved);
    }
}

void DocumentGrid::recomputeColumns() {
    columns_ = computeDocumentColumns(clientRect().width(), numberWidth_);
}

void DocumentGrid::fireAllChanged() {
    fireHandlers(columnsChanged);
    fireHandlers(rowsChanged);
    fireHandlers(contentChanged);
}

ResultsPalette DocumentGrid::palette() const { return segmentPalette(style); }

void DocumentGrid::onCellPressed() {
    if (pressedRow >= 0 && pressedRow < document_->rowCount())
        selectDocumentRow(pressedRow);
}
