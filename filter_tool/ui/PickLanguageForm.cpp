#include "filter_tool/ui/PickLanguageForm.h"

#include "core/l10n/Localization.h"
#include "filter_tool/ui/FormPlacement.h"

PickLanguageForm::PickLanguageForm(winui::Control* owner)
    : winui::Form(owner, 337, 284, winui::FormCentered) {
    okButton = new winui::Button(this);
    cancelButton = new winui::Button(this);
    grid = new PickLanguageGrid(this);
    place(*okButton, 91, 248, 75, 25);
    place(*cancelButton, 171, 248, 75, 25);
    place(*grid, 8, 8, 321, 225);
    okClicked_.connect(okButton->clicked, this, &PickLanguageForm::onOk);
    cancelClicked_.connect(cancelButton->clicked, this, &PickLanguageForm::onCancel);
    rowActivated_.connect(grid->rowActivated, this, &PickLanguageForm::onRowActivated);
    applyTexts();
}

PickLanguageForm::~PickLanguageForm() = default;

void PickLanguageForm::applyTexts() {
    const Localization& strings = Localization::instance();
    setText(strings.getString(L"ChooseLanguage"));
    okButton->setText(L"OK");
    cancelButton->setText(strings.getString(L"Cancel"));
}

void PickLanguageForm::onShown() {
    applyTexts();
}

void PickLanguageForm::onClosing(bool& allow) {
    allow = false;
    onCancel();
}

void PickLanguageForm::onMouseWheel(int32_t notches, bool& handled) {
    grid->setTopRow(grid->topRow - notches);
    handled = true;
}

void PickLanguageForm::onOk() {
    chosenShortName = grid->selectedShortName();
    ShowWindow(hwnd, SW_HIDE);
    fireHandlers(chosen);
}

void PickLanguageForm::onCancel() {
    ShowWindow(hwnd, SW_HIDE);
    fireHandlers(cancelled);
}

void PickLanguageForm::onRowActivated() {
    if (grid->selectedShortName().empty())
        onCancel();
    else
        onOk();
}
