#include "group_builder/forms/TMItemForm.h"

#include "core/l10n/Localization.h"
#include "core/util/StringUtils.h"
#include "group_builder/EntryColors.h"
#include "group_builder/forms/FormLayout.h"
#include "group_builder/forms/PickTMColorForm.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/ColorRect.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Label.h"

namespace {

const int kClientWidth = 623;
const int kClientHeight = 136;
// Browse asks for a TMX file that exists.
const DWORD kBrowseFlags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;

} // namespace

TMItemForm::TMItemForm(winui::Control* owner) : winui::Form(owner, kClientWidth, kClientHeight, winui::FormCentered) {
    using winui::Anchor;
    fileLabel = new winui::Label(this);
    shortNameLabel = new winui::Label(this);
    colorLabel = new winui::Label(this);
    pathEdit = new winui::Edit(this);
    shortNameEdit = new winui::Edit(this);
    swatch = new winui::ColorRect(this);
    browseButton = new winui::Button(this);
    okButton = new winui::Button(this);
    cancelButton = new winui::Button(this);

    placeControl(fileLabel, 10, 19, 102, 16, 0);
    placeControl(shortNameLabel, 10, 63, 102, 16, 0);
    placeControl(colorLabel, 270, 63, 67, 16, 0);
    placeControl(pathEdit, 112, 16, 401, 24, winui::AnchorLeft | winui::AnchorTop | winui::AnchorRight);
    placeControl(shortNameEdit, 112, 60, 121, 24, 0);
    placeControl(swatch, 336, 60, 73, 24, 0);
    placeControl(browseButton, 520, 16, 94, 25, winui::AnchorTop | winui::AnchorRight);
    placeControl(okButton, 421, 100, 94, 25, winui::AnchorRight | winui::AnchorBottom);
    placeControl(cancelButton, 520, 100, 94, 25, winui::AnchorRight | winui::AnchorBottom);

    SendMessageW(pathEdit->hwnd, EM_SETREADONLY, TRUE, 0);
    SendMessageW(shortNameEdit->hwnd, EM_LIMITTEXT, kShortNameLimit, 0);
    okButton->setDefault(true);
    swatch->setColor(kDefaultEntryColor);

    okLink_.connect(okButton->clicked, this, &TMItemForm::onEnterKey);
    cancelLink_.connect(cancelButton->clicked, this, &TMItemForm::onEscapeKey);
    browseLink_.connect(browseButton->clicked, this, &TMItemForm::onBrowse);
    swatchLink_.connect(swatch->clicked, this, &TMItemForm::onSwatchClicked);

    palette.reset(new PickTMColorForm());
    paletteHiddenLink_.connect(palette->hidden, this, &TMItemForm::onPaletteHidden);

    // A dialog: no minimising it away while its owner waits, no shrinking it below its layout.
    removeMinMaxBoxes();
    const winui::Rect frame = bounds();
    minWidth = frame.width();
    minHeight = frame.height();
    applyTexts();
    onStyleChanged();
}

TMItemForm::~TMItemForm() {
    // The palette is no child of this form: it goes first, while the link to it still stands.
    paletteHiddenLink_.disconnectAll();
    palette.reset();
}

void TMItemForm::applyTexts() {
    const Localization& texts = Localization::instance();
    setText(texts.getString(L"TMXProps"));
    fileLabel->setText(texts.getString(L"File"));
    shortNameLabel->setText(texts.getString(L"ShortName"));
    colorLabel->setText(texts.getString(L"Color"));
    browseButton->setText(texts.getString(L"Browse"));
    okButton->setText(texts.getString(L"OK"));
    cancelButton->setText(texts.getString(L"Cancel"));
}

std::wstring TMItemForm::filePath() const {
    return pathEdit->text();
}

std::wstring TMItemForm::shortName() const {
    return shortNameEdit->text();
}

void TMItemForm::setFilePath(const std::wstring& text) {
    pathEdit->setText(trim(text));
}

void TMItemForm::setShortName(const std::wstring& text) {
    shortNameEdit->setText(trim(text));
}

void TMItemForm::setColor(COLORREF value) {
    swatch->setColor(value);
}

COLORREF TMItemForm::color() const {
    return swatch->color;
}

void TMItemForm::present() {
    if (parent && parent->hwnd)
        EnableWindow(parent->hwnd, FALSE);
    centerOnScreen();
    showModal();
    ShowWindow(hwnd, SW_SHOWNORMAL);
    bringToFront();
}

void TMItemForm::hideAndReleaseOwner() {
    if (parent && parent->hwnd)
        EnableWindow(parent->hwnd, TRUE);
    ShowWindow(hwnd, SW_HIDE);
}

void TMItemForm::onShown() {
    SetFocus(pathEdit->hwnd);
}

void TMItemForm::onStyleChanged() {
    winui::Form::onStyleChanged();
    if (palette && palette->style != style) {
        palette->inheritStyle = false;
        palette->setStyle(style);
    }
}

void TMItemForm::onEnterKey() {
    if (!IsWindowVisible(hwnd))
        return;
    if (filePath().empty()) {
        MessageBeep(0);
        SetFocus(pathEdit->hwnd);
        return;
    }
    hideAndReleaseOwner();
    fireHandlers(accepted);
}

void TMItemForm::onEscapeKey() {
    if (!IsWindowVisible(hwnd))
        return;
    hideAndReleaseOwner();
    fireHandlers(cancelled);
}

void TMItemForm::onClosing(bool& allow) {
    allow = false;
    onEscapeKey();
}

void TMItemForm::onBrowse() {
    FileRequest request;
    request.description = Localization::instance().getString(L"TMXfiles");
    request.pattern = L"*.tmx";
    request.extension = L".tmx";
    request.flags = kBrowseFlags;
    const std::wstring current = filePath();
    if (!current.empty()) {
        request.initialFolder = getDirectory(current);
        request.fileName = getFileName(current);
    }
    std::wstring chosen;
    if (chooser && chooser(this, request, chosen))
        setFilePath(chosen);
}

void TMItemForm::onSwatchClicked() {
    palette->chosenColor = swatch->color;
    // The palette drops down from the swatch's bottom-left corner.
    const winui::Rect box = swatch->bounds();
    POINT corner = {box.left, box.bottom};
    ClientToScreen(hwnd, &corner);
    SetWindowPos(palette->hwnd, HWND_TOP, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    palette->showModal();
    ShowWindow(palette->hwnd, SW_SHOWNORMAL);
    palette->bringToFront();
}

void TMItemForm::onPaletteHidden() {
    if (palette->chosenColor != swatch->color)
        swatch->setColor(palette->chosenColor);
    if (IsWindowVisible(hwnd))
        bringToFront();
}
