#include "tools/gallery/GalleryForm.h"

#include "ui_toolkit/Brush.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/CheckBox.h"
#include "ui_toolkit/ColorRect.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Grid.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/Picture.h"
#include "ui_toolkit/ProgressBar.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/Tab.h"
#include "ui_toolkit/TabControl.h"

namespace {

constexpr int32_t kMargin = 12;
constexpr int32_t kGap = 8;
constexpr int32_t kLeftWidth = 440;
constexpr int32_t kHalfWidth = (kLeftWidth - kGap) / 2;
constexpr int32_t kLineHeight = 20;
constexpr uint32_t kMainForm = 0x100;

void place(winui::Control* control, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (control && control->hwnd)
        MoveWindow(control->hwnd, x, y, width, height, FALSE);
}

template <class T>
T* withText(T* control, const wchar_t* text) {
    control->setText(text);
    return control;
}

void disable(winui::Control* control) {
    if (control->hwnd)
        EnableWindow(control->hwnd, FALSE);
}

} // namespace

GalleryForm::GalleryForm(winui::Style* formStyle, int32_t rowCount)
    : winui::Form(nullptr, kClientWidth, kClientHeight, kMainForm), rows(rowCount, formStyle) {
    setText(L"Control gallery");
    setStyle(formStyle);
    drawPicture();
    int32_t y = kMargin;
    y = addButtons(y);
    y = addCheckBoxesAndSwatches(y);
    y = addLabelsAndPicture(y);
    y = addEdits(y);
    y = addComboAndProgress(y);
    addTabs(y);
    addGrid();
}

GalleryForm::~GalleryForm() {
    // The grid goes with the children, after the rows it shows: let it forget them first.
    if (grid)
        grid->setProvider(nullptr);
}

int32_t GalleryForm::addButtons(int32_t y) {
    const wchar_t* const titles[] = {L"Plain", L"Default", L"Disabled", L"Focused"};
    const int32_t width = (kLeftWidth - 3 * kGap) / 4;
    for (int i = 0; i < 4; ++i) {
        auto* button = withText(new winui::Button(this), titles[i]);
        place(button, kMargin + i * (width + kGap), y, width, 26);
        if (i == 1)
            button->setDefault(true);
        else if (i == 2)
            disable(button);
        else if (i == 3)
            focusTarget_ = button;
    }
    return y + 26 + kGap;
}

int32_t GalleryForm::addCheckBoxesAndSwatches(int32_t y) {
    struct Box {
        const wchar_t* text;
        bool checked;
        bool enabled;
    };
    const Box boxes[] = {{L"Checked", true, true}, {L"Not checked", false, true}, {L"Disabled", true, false}};
    const int32_t width = (kLeftWidth - 2 * kGap) / 3;
    for (int i = 0; i < 3; ++i) {
        auto* box = withText(new winui::CheckBox(this), boxes[i].text);
        place(box, kMargin + i * (width + kGap), y, width, kLineHeight);
        if (boxes[i].checked)
            SendMessageW(box->hwnd, BM_SETCHECK, BST_CHECKED, 0);
        if (!boxes[i].enabled)
            disable(box);
        box->syncCover();
    }
    y += kLineHeight + kGap;

    const COLORREF colors[] = {RGB(204, 40, 40), RGB(40, 160, 70), RGB(40, 90, 200), RGB(240, 190, 30),
                               RGB(120, 120, 120)};
    auto* caption = withText(new winui::Label(this), L"Swatches (the last one disabled):");
    place(caption, kMargin, y + 4, 200, kLineHeight);
    for (int i = 0; i < 5; ++i) {
        auto* swatch = new winui::ColorRect(this);
        swatch->setColor(colors[i]);
        place(swatch, kMargin + 210 + i * (36 + kGap), y, 36, 24);
        if (i == 4)
            disable(swatch);
    }
    return y + 24 + kGap;
}

int32_t GalleryForm::addLabelsAndPicture(int32_t y) {
    struct Kind {
        uint32_t flags;
        const wchar_t* text;
        int32_t lines;
    };
    const Kind kinds[] = {
        {0, L"Plain label with an &underlined letter", 1},
        {winui::LabelCentered, L"Centred label", 1},
        {winui::LabelWrap, L"A label that wraps its words onto a second line when they do not fit", 2},
        {winui::LabelNoPrefix, L"No prefix: Copy & Paste keep their &", 1},
    };
    const int32_t labelWidth = kLeftWidth - 140 - kGap;
    int32_t labelY = y;
    for (const Kind& kind : kinds) {
        auto* label = withText(new winui::Label(this, kind.flags), kind.text);
        place(label, kMargin, labelY, labelWidth, kind.lines * kLineHeight - 2);
        labelY += kind.lines * kLineHeight;
    }
    auto* shown = new winui::Picture(this);
    shown->image = &picture;
    place(shown, kMargin + kLeftWidth - 140, y, 140, labelY - y - 2);
    return labelY + kGap;
}

int32_t GalleryForm::addEdits(int32_t y) {
    auto* single = withText(new winui::Edit(this, winui::EditSingleLine), L"Single-line edit");
    place(single, kMargin, y, kHalfWidth, 22);
    auto* password = withText(new winui::Edit(this, winui::EditPassword), L"secret");
    place(password, kMargin + kHalfWidth + kGap, y, kHalfWidth, 22);
    y += 22 + kGap;
    auto* multi = withText(new winui::Edit(this, winui::EditMultiLine),
                           L"A multi-line edit\r\nkeeps its line breaks\r\nand takes Return as a new line.");
    place(multi, kMargin, y, kLeftWidth, 58);
    return y + 58 + kGap;
}

int32_t GalleryForm::addComboAndProgress(int32_t y) {
    auto* combo = new winui::ComboBox(this);
    for (const wchar_t* item : {L"English (United Kingdom)", L"French (France)", L"German (Germany)"})
        combo->addItem(item);
    SendMessageW(combo->hwnd, CB_SETCURSEL, 1, 0);
    // The height includes the list that drops down.
    place(combo, kMargin, y, kHalfWidth, 160);
    combo->syncCover();

    auto* progress = new winui::ProgressBar(this);
    progress->setRange(0);
    progress->setPosition(60);
    place(progress, kMargin + kHalfWidth + kGap, y + 3, kHalfWidth, 18);
    return y + 26 + kGap;
}

void GalleryForm::addTabs(int32_t y) {
    auto* tabs = new winui::TabControl(this);
    const wchar_t* const titles[] = {L"General", L"Colours", L"Advanced"};
    for (const wchar_t* title : titles) {
        if (winui::Tab* page = tabs->addTab())
            page->setTitle(title);
    }
    place(tabs, kMargin, y, kLeftWidth, kClientHeight - kMargin - y);
    if (!tabs->tabs.empty()) {
        auto* text = withText(new winui::Label(tabs->tabs.front(), winui::LabelWrap),
                              L"The page of the selected tab; the other pages are hidden.");
        place(text, kGap, kGap, kLeftWidth - 4 * kGap, 2 * kLineHeight);
    }
}

void GalleryForm::addGrid() {
    grid = new winui::Grid(this);
    grid->setProvider(&rows);
    const int32_t gridLeft = kMargin * 2 + kLeftWidth;
    place(grid, gridLeft, kMargin, kClientWidth - kMargin - gridLeft, kClientHeight - 2 * kMargin);
    grid->onResized();
}

void GalleryForm::drawPicture() {
    // A sky over hills with a sun: shapes large enough to show the stretching.
    if (!picture.createBlank(70, 40))
        return;
    const HDC dc = picture.canvas()->dc;
    auto fill = [dc](RECT r, COLORREF color) {
        const winui::Brush brush(color);
        FillRect(dc, &r, brush.handle());
    };
    fill(RECT{0, 0, 70, 40}, RGB(120, 180, 235));
    fill(RECT{0, 28, 70, 40}, RGB(70, 150, 70));
    const winui::Brush sun(RGB(250, 210, 60));
    const HGDIOBJ old = SelectObject(dc, sun.handle());
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 46, 5, 62, 21);
    SelectObject(dc, oldPen);
    SelectObject(dc, old);
}

void GalleryForm::showFocus() {
    if (focusTarget_ && focusTarget_->hwnd) {
        SetFocus(focusTarget_->hwnd);
        // Cues as after a key press: the focus frame and the underlined access letters.
        SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    }
}
