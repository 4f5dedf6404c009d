#include "tools/gallery/GalleryForm.h"

#include "ui_toolkit/Grid.h"
#include "ui_toolkit/ProgressBar.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/Tab.h"
#include "ui_toolkit/TabControl.h"

namespace {

constexpr int32_t kMargin = 12;
constexpr int32_t kLeftWidth = 440;
constexpr uint32_t kMainForm = 0x100;

void place(winui::Control* control, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (control && control->hwnd)
        MoveWindow(control->hwnd, x, y, width, height, FALSE);
}

} // namespace

GalleryForm::GalleryForm(winui::Style* formStyle, int32_t rowCount)
    : winui::Form(nullptr, kClientWidth, kClientHeight, kMainForm), rows(rowCount, formStyle) {
    setText(L"Control gallery");
    setStyle(formStyle);
    addControls();
}

GalleryForm::~GalleryForm() {
    // The grid goes with the children, after the rows it shows: let it forget them first.
    if (grid)
        grid->setProvider(nullptr);
}

void GalleryForm::addControls() {
    int32_t y = kMargin;

    auto* progress = new winui::ProgressBar(this);
    progress->setRange(0);
    progress->setPosition(60);
    y = 360;
    place(progress, kMargin, y, kLeftWidth, 18);
    y += 18 + kMargin;

    auto* tabs = new winui::TabControl(this);
    const wchar_t* const titles[] = {L"General", L"Colours", L"Advanced"};
    for (const wchar_t* title : titles) {
        if (winui::Tab* page = tabs->addTab())
            page->setTitle(title);
    }
    place(tabs, kMargin, y, kLeftWidth, kClientHeight - kMargin - y);

    grid = new winui::Grid(this);
    grid->setProvider(&rows);
    const int32_t gridLeft = kMargin * 2 + kLeftWidth;
    place(grid, gridLeft, kMargin, kClientWidth - kMargin - gridLeft, kClientHeight - 2 * kMargin);
    grid->onResized();
    focusTarget_ = grid;
}

void GalleryForm::showFocus() {
    if (focusTarget_ && focusTarget_->hwnd) {
        SetFocus(focusTarget_->hwnd);
        SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
}
