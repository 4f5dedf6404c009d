#include "viewer/TmxEntryDetailsForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/util/StringUtils.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Label.h"
#include "viewer/ControlPlace.h"
#include "viewer/EntryDetailsText.h"
#include "viewer/StartupRules.h"

namespace {

const wchar_t* const kRectKey = L"entryDetailsFormRect";
const wchar_t* const kMaximizedKey = L"entryDetailsFormMaximized";

// A fixed window with a caption and nothing on it: no sizing border, no boxes, no menu.
constexpr uint32_t kSizingBorderAndMaximizeBox = WS_THICKFRAME | WS_MAXIMIZEBOX;
constexpr uint32_t kSystemMenu = WS_SYSMENU;

// Where each control stands in the client area.
constexpr ControlPlace kCaptionPlaces[TmxEntryDetailsForm::kCaptionCount] = {
    {8, 16, 65, 18},   {226, 16, 163, 18}, {8, 48, 297, 18},   {8, 184, 313, 18}, {8, 320, 150, 18},
    {8, 344, 150, 18}, {320, 320, 144, 18}, {320, 344, 144, 18}, {8, 375, 169, 18},
};
// The author captions end where their values begin: a label paints its whole rectangle, so an
// overlap would hide the start of the value.
constexpr ControlPlace kLanguagesPlace = {394, 16, 223, 41};
constexpr ControlPlace kCreationDatePlace = {160, 320, 158, 18};
constexpr ControlPlace kChangeDatePlace = {160, 344, 158, 18};
constexpr ControlPlace kCreationIdPlace = {464, 320, 158, 18};
constexpr ControlPlace kChangeIdPlace = {464, 344, 158, 18};
constexpr ControlPlace kTuidPlace = {80, 14, 129, 22};
constexpr ControlPlace kSourcePlace = {8, 70, 609, 89};
constexpr ControlPlace kTargetPlace = {8, 206, 609, 89};
constexpr ControlPlace kOffsetPlace = {188, 373, 137, 22};
constexpr ControlPlace kLanguageListPlace = {512, 173, 105, 400};
constexpr ControlPlace kClosePlace = {530, 376, 83, 25};

// The captions' localisation keys; the first is a fixed text and the second is set per entry.
constexpr const wchar_t* kCaptionKeys[TmxEntryDetailsForm::kCaptionCount] = {
    nullptr,        nullptr,     L"SourceSegment", L"TargetSegment", L"CreationDate",
    L"ModifDate",   L"CreationID", L"ModifID",     L"OffsetInFile",
};

// An edit draws the border it was created with whatever its style says later (some platforms
// even drop WS_BORDER from the style and draw the frame themselves), so the window is made
// anew without one. The class is named, not kept, so that the window is remade even when the
// style reads the same.
void removeBorder(winui::Edit* edit) {
    edit->recreateWindow(WS_BORDER, L"EDIT", 0);
}

void setReadOnly(winui::Edit* edit) {
    SendMessageW(edit->hwnd, EM_SETREADONLY, TRUE, 0);
}

std::wstring localized(const wchar_t* key) {
    return Localization::instance().getString(key);
}

} // namespace

TmxEntryDetailsForm::TmxEntryDetailsForm(winui::Control* owner)
    : winui::Form(owner, kClientWidth, kClientHeight, winui::FormCentered | winui::FormPopup) {
    for (uint32_t bits : {kSizingBorderAndMaximizeBox, kSystemMenu}) {
        const winui::Rect client = clientRect();
        SetWindowLongW(hwnd, GWL_STYLE, GetWindowLongW(hwnd, GWL_STYLE) & ~static_cast<LONG>(bits));
        setClientSize(client);
        if (bits == kSizingBorderAndMaximizeBox)
            removeMinMaxBoxes();
    }
    createControls();
}

TmxEntryDetailsForm::~TmxEntryDetailsForm() = default;

void TmxEntryDetailsForm::createControls() {
    for (int32_t i = 0; i < kCaptionCount; ++i) {
        captions[i] = placeControl(new winui::Label(this), kCaptionPlaces[i]);
        captions[i]->inheritFont = false;
    }
    languagesValue = placeControl(new winui::Label(this, winui::LabelWrap | winui::LabelNoPrefix), kLanguagesPlace);
    creationDateValue = placeControl(new winui::Label(this, winui::LabelNoPrefix), kCreationDatePlace);
    changeDateValue = placeControl(new winui::Label(this, winui::LabelNoPrefix), kChangeDatePlace);
    creationIdValue = placeControl(new winui::Label(this, winui::LabelNoPrefix), kCreationIdPlace);
    changeIdValue = placeControl(new winui::Label(this, winui::LabelNoPrefix), kChangeIdPlace);
    tuidValue = placeControl(new winui::Edit(this, winui::EditSingleLine), kTuidPlace);
    sourceSegment = placeControl(new winui::Edit(this, winui::EditMultiLine), kSourcePlace);
    targetSegment = placeControl(new winui::Edit(this, winui::EditMultiLine), kTargetPlace);
    offsetValue = placeControl(new winui::Edit(this, winui::EditSingleLine), kOffsetPlace);
    languageList = placeControl(new winui::ComboBox(this), kLanguageListPlace);
    closeButton = placeControl(new winui::Button(this), kClosePlace);
    closeButton->setDefault(true);

    removeBorder(tuidValue);
    for (winui::Edit* edit : {tuidValue, sourceSegment, targetSegment, offsetValue})
        setReadOnly(edit);
    applyCaptionFont();
    captions[CaptionTuid]->setText(L"TU ID:");
    captions[CaptionTargetLanguages]->setText(localized(L"TargetLanguage"));
    applyTexts();
    languageChangedHandler_.connect(languageList->selectionChanged, this,
                                    &TmxEntryDetailsForm::showTargetSegment);
    closeClickedHandler_.connect(closeButton->clicked, this, &TmxEntryDetailsForm::hideWindow);
}

void TmxEntryDetailsForm::applyTexts() {
    setText(localized(L"EntryDetails"));
    for (int32_t i = 0; i < kCaptionCount; ++i) {
        if (kCaptionKeys[i])
            captions[i]->setText(localized(kCaptionKeys[i]));
    }
    closeButton->setText(localized(L"Close"));
}

void TmxEntryDetailsForm::localeChanged() {
    applyTexts();
}

void TmxEntryDetailsForm::applyCaptionFont() {
    captionFont_.assignStyled(winui::FontMakeBold, font);
    for (winui::Label* caption : captions) {
        if (caption)
            caption->setFont(captionFont_);
    }
}

void TmxEntryDetailsForm::onFontChanged() {
    applyCaptionFont();
}

void TmxEntryDetailsForm::showEntry(const TmxEntry& entry, uint32_t offset) {
    entry_ = entry;
    tuidValue->setText(orNotAvailable(entry_.tuid));
    SendMessageW(languageList->hwnd, CB_RESETCONTENT, 0, 0);
    const std::vector<std::wstring> languages = targetLanguagesOf(entry_);
    for (const std::wstring& code : languages)
        languageList->addItem(code);
    captions[CaptionTargetLanguages]->setText(
        localized(languages.size() < 2 ? L"TargetLanguage" : L"TargetLanguages"));
    languagesValue->setText(joinLanguages(languages));
    if (!languages.empty())
        SendMessageW(languageList->hwnd, CB_SETCURSEL, 0, 0);
    creationDateValue->setText(orNotAvailable(formatEntryDate(entry_.creationDate)));
    changeDateValue->setText(orNotAvailable(formatEntryDate(entry_.changeDate)));
    creationIdValue->setText(orNotAvailable(entry_.creationId));
    changeIdValue->setText(orNotAvailable(entry_.changeId));
    offsetValue->setText(formatUnsigned(offset));
    sourceSegment->setText(renderSegmentXml(findSegment(entry_, entry_.sourceLanguage).segment));
    showTargetSegment();
}

void TmxEntryDetailsForm::showTargetSegment() {
    const LRESULT selected = SendMessageW(languageList->hwnd, CB_GETCURSEL, 0, 0);
    if (selected < 0) {
        targetSegment->setText(std::wstring());
        return;
    }
    const std::wstring code = languageList->itemText(static_cast<int32_t>(selected));
    targetSegment->setText(renderSegmentXml(findSegment(entry_, code).segment));
}

void TmxEntryDetailsForm::hideWindow() {
    ShowWindow(hwnd, SW_HIDE);
}

void TmxEntryDetailsForm::storePlacement() {
    Settings& settings = Settings::global();
    settings.set<winui::Rect>(kRectKey, bounds());
    settings.set<bool>(kMaximizedKey, (GetWindowLongW(hwnd, GWL_STYLE) & WS_MAXIMIZE) != 0);
}

void TmxEntryDetailsForm::onShown() {
    if (placementRestored_)
        return;
    placementRestored_ = true;
    restorePlacement();
}

void TmxEntryDetailsForm::onClosing(bool& allow) {
    storePlacement();
    if (closing)
        return;
    allow = false;
    hideWindow();
}

void TmxEntryDetailsForm::restorePlacement() {
    const winui::Rect current = bounds();
    const winui::Rect stored = Settings::global().get<winui::Rect>(kRectKey, current);
    // The window has one size: only the place is taken from the stored rectangle.
    const winui::Rect moved(stored.left, stored.top, stored.left + current.width(),
                            stored.top + current.height());
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    if (placementFitsDesktop(moved, winui::Rect(desktop.left, desktop.top, desktop.right, desktop.bottom)))
        SetWindowPos(hwnd, nullptr, moved.left, moved.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
