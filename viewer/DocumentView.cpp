#include "viewer/DocumentView.h"

#include "core/app/GlobalConstants.h"
#include "core/l10n/Localization.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/Style.h"
#include "viewer/DocumentGrid.h"
#include "viewer/DocumentSession.h"
#include "viewer/DocumentViewLayout.h"
#include "viewer/documents/TranslatableContentProvider.h"

namespace {

constexpr uint16_t kShiftCtrlAlt = winui::ModShift | winui::ModCtrl | winui::ModAlt;

void place(winui::Control* control, const winui::Rect& r) {
    MoveWindow(control->hwnd, r.left, r.top, r.width(), r.height(), TRUE);
}

} // namespace

DocumentTargetEdit::DocumentTargetEdit(winui::Control* parent) : winui::Edit(parent, winui::EditMultiLine) {}

void DocumentTargetEdit::onMessage(winui::Message& message) {
    if (message.message == WM_CHAR && message.wParam == VK_RETURN &&
        (winui::getModifierKeys() & kShiftCtrlAlt) == 0) {
        message.handled = true;
        fireHandlers(confirmed);
        return;
    }
    winui::Edit::onMessage(message);
}

DocumentView::DocumentView(winui::Control* parent) : winui::Control(parent) {
    paintFlags = winui::EraseThroughErase;
    createWindow(parent ? parent->hwnd : nullptr, winui::childWindowClass,
                 WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, false, winui::Rect());
    grid = new DocumentGrid(this);
    note = new winui::Label(this, winui::LabelNoPrefix);
    targetEdit = new DocumentTargetEdit(this);
    selectionChangedLink_.connect(grid->selectionChanged, this, &DocumentView::onSelectionChanged);
    confirmedLink_.connect(targetEdit->confirmed, this, &DocumentView::onConfirmed);
    contextMenuLink_.connect(grid->contextMenuRequested, this, &DocumentView::onGridContextMenu);
    pressedLink_.connect(grid->cellPressed, this, &DocumentView::onGridPressed);
    showRow(-1);
}

DocumentView::~DocumentView() = default;

void DocumentView::setDocument(TranslatableContentProvider* document) {
    if (!document)
        document = &TranslatableContentProvider::empty();
    if (document == &grid->documentProvider())
        return;
    grid->setDocumentProvider(document);
    if (document->rowCount() > 0)
        grid->selectDocumentRow(0);
}

TranslatableContentProvider& DocumentView::document() const { return grid->documentProvider(); }

bool DocumentView::hasDocument() const { return &document() != &TranslatableContentProvider::empty(); }

Segment DocumentView::targetFromFieldText(const std::wstring& text) {
    std::wstring plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            continue;
        plain += text[i];
    }
    Segment segment;
    appendSegmentText(segment, plain);
    return segment;
}

std::wstring DocumentView::fieldTextOf(const Segment& target) {
    const std::wstring plain = renderSegmentText(target, false, false);
    std::wstring field;
    field.reserve(plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
        if (plain[i] == L'\n' && (i == 0 || plain[i - 1] != L'\r'))
            field += L'\r';
        field += plain[i];
    }
    return field;
}

bool DocumentView::confirmTarget() {
    const int32_t row = grid->selectedRow();
    if (row < 0 || document().isRowUnusable(row))
        return false;
    const std::wstring text = targetEdit->text();
    if (text == shownText_)
        return false;
    TranslatableContentProvider& doc = document();
    const bool set = text.empty() ? doc.clearTarget(row) : doc.setTarget(row, targetFromFieldText(text));
    if (!set)
        return false;
    shownText_ = text;
    grid->documentRowChanged(row);
    showRow(row);
    return true;
}

void DocumentView::moveSelection(int32_t delta) {
    confirmTarget();
    grid->selectDocumentRow(documentRowAfterMove(grid->selectedRow(), delta, document().rowCount()));
}

bool DocumentView::hasUnsavedEdits() const { return DocumentSession::saveDue(document()); }

void DocumentView::documentReloaded() {
    grid->documentRowsChanged();
    showRow(grid->selectedRow());
}

bool DocumentView::containsFocus() const {
    const HWND focused = GetFocus();
    return focused && hwnd && (focused == hwnd || IsChild(hwnd, focused));
}

void DocumentView::focusTarget() {
    if (targetEdit && targetEdit->hwnd && IsWindowVisible(hwnd))
        SetFocus(targetEdit->hwnd);
}

void DocumentView::localeChanged() { showRow(grid->selectedRow()); }

void DocumentView::onResized() { layoutParts(); }

void DocumentView::onFontChanged() { layoutParts(); }

void DocumentView::eraseBackground(HDC dc, const winui::Rect& clientRect) {
    const RECT r = {clientRect.left, clientRect.top, clientRect.right, clientRect.bottom};
    SetDCBrushColor(dc, style ? style->color(winui::kColorFormBody) : systemColor(kSysFormBody));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

int32_t DocumentView::lineHeight() const {
    int32_t height = 0;
    if (HDC dc = GetDC(hwnd)) {
        const HGDIOBJ old = font.isNull() ? nullptr : SelectObject(dc, font.handle());
        TEXTMETRICW metrics = {};
        if (GetTextMetricsW(dc, &metrics))
            height = metrics.tmHeight;
        if (old)
            SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
    }
    return height > 0 ? height : 16;
}

void DocumentView::layoutParts() {
    // The window is sized once while it is created, before its parts exist.
    if (!grid || !note || !targetEdit)
        return;
    const winui::Rect client = clientRect();
    const DocumentViewPlaces places = computeDocumentViewLayout(client.width(), client.height(), lineHeight());
    place(grid, places.grid);
    place(note, places.note);
    place(targetEdit, places.edit);
}

// The field and the note follow the selected row.
void DocumentView::showRow(int32_t row) {
    const TranslatableContentProvider& doc = document();
    Segment target;
    const bool hasRow = row >= 0 && doc.getTarget(row, target);
    shownText_ = hasRow ? fieldTextOf(target) : std::wstring();
    targetEdit->setText(shownText_);
    const bool unusable = hasRow && doc.isRowUnusable(row);
    SendMessageW(targetEdit->hwnd, EM_SETREADONLY, hasRow && !unusable ? FALSE : TRUE, 0);
    const wchar_t* key = hasRow ? documentRowNoteKey(documentRowState(doc.isTargetEdited(row),
                                                                      doc.isTargetConfirmed(row), unusable))
                                : nullptr;
    std::wstring text;
    if (hasRow)
        text = std::to_wstring(row + 1) + L" / " + std::to_wstring(doc.rowCount());
    if (key)
        text += L"  " + Localization::instance().getString(key);
    note->setText(text);
}

void DocumentView::onSelectionChanged(int32_t, int32_t newRow) {
    showRow(newRow);
    if (newRow >= 0)
        fireHandlersT1(rowChosen, newRow);
}

void DocumentView::onConfirmed() { moveSelection(1); }

void DocumentView::onGridContextMenu(winui::Point point) { fireHandlersT1(contextMenuRequested, point); }

// A row chosen with the mouse takes the typing.
void DocumentView::onGridPressed() { focusTarget(); }
