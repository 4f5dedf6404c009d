#include "viewer/TmxViewerSettingsForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/util/StringUtils.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/CheckBox.h"
#include "ui_toolkit/ColorRect.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/Tab.h"
#include "ui_toolkit/TabControl.h"
#include "ui_toolkit/Toolkit.h"
#include "viewer/ControlPlace.h"

namespace {

constexpr ControlPlace kTabControlPlace = {0, 0, 489, 233};
constexpr ControlPlace kOkPlace = {268, 240, 105, 27};
constexpr ControlPlace kCancelPlace = {380, 240, 105, 27};
constexpr int32_t kLabelLeft = 16;
constexpr int32_t kLabelHeight = 18;
constexpr int32_t kCheckBoxWidth = 457;
constexpr int32_t kDropHeight = 400;

constexpr const wchar_t* kPageKeys[TmxViewerSettingsForm::kPageCount] = {
    L"FontsAndColors", L"TMResults", L"Advanced", L"Interface"};

// The labels of each page: key, top and width; all stand at the same left edge.
struct LabelPlace {
    int32_t page;
    const wchar_t* key;
    int32_t top;
    int32_t width;
};
constexpr LabelPlace kLabels[] = {
    {TmxViewerSettingsForm::PageFontsAndColors, L"Font", 16, 161},
    {TmxViewerSettingsForm::PageFontsAndColors, L"TMColFont", 46, 161},
    {TmxViewerSettingsForm::PageFontsAndColors, L"TextColor", 87, 129},
    {TmxViewerSettingsForm::PageFontsAndColors, L"BGColor1", 116, 129},
    {TmxViewerSettingsForm::PageFontsAndColors, L"BGColor2", 147, 129},
    {TmxViewerSettingsForm::PageResults, L"MatchTextStyle", 20, 256},
    {TmxViewerSettingsForm::PageResults, L"ApplyTMColor", 61, 256},
    {TmxViewerSettingsForm::PageResults, L"MaxSearchResults", 103, 256},
    {TmxViewerSettingsForm::PageInterface, L"Language", 23, 153},
    {TmxViewerSettingsForm::PageInterface, L"Style", 62, 153},
};

constexpr ControlPlace kSwatchPlaces[TmxViewerSettingsForm::kSwatchCount] = {
    {192, 86, 57, 20}, {192, 115, 57, 20}, {192, 145, 57, 20}};
constexpr const wchar_t* kOptionKeys[TmxViewerSettingsForm::kOptionCount] = {
    L"ShowPlaceholders", L"ShowTags", L"AlwaysShowLanguage", L"InstantCopyText", L"AutoSearchPasted"};
constexpr int32_t kOptionTops[TmxViewerSettingsForm::kOptionCount] = {18, 42, 66, 90, 114};

std::wstring localized(const wchar_t* key) {
    return Localization::instance().getString(key);
}

int32_t selectedIndex(const winui::ComboBox* list) {
    return static_cast<int32_t>(SendMessageW(list->hwnd, CB_GETCURSEL, 0, 0));
}

void select(winui::ComboBox* list, int32_t index) {
    SendMessageW(list->hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// Replaces the entries, keeping the selected index.
template <class Texts>
void refill(winui::ComboBox* list, const Texts& texts) {
    const int32_t selected = selectedIndex(list);
    SendMessageW(list->hwnd, CB_RESETCONTENT, 0, 0);
    for (const auto& entry : texts)
        list->addItem(entry);
    if (selected >= 0)
        select(list, selected);
}

bool isChecked(const winui::CheckBox* box) {
    return box->isChecked();
}

void setChecked(winui::CheckBox* box, bool checked) {
    SendMessageW(box->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

} // namespace

TmxViewerSettingsForm::TmxViewerSettingsForm(winui::Control* owner, Settings& settings)
    : winui::Form(owner, kClientWidth, kClientHeight, winui::FormCentered | winui::FormPopup),
      settings_(settings), colorDialog_(this) {
    seams.chooseColor = [](CHOOSECOLORW& block) { return ChooseColorW(&block) != FALSE; };
    seams.chooseFont = [](winui::FontDialog& dialog) { return dialog.show(); };
    createControls();
    applyTexts();
    loadSettings();
}

TmxViewerSettingsForm::~TmxViewerSettingsForm() = default;

void TmxViewerSettingsForm::createControls() {
    tabControl = placeControl(new winui::TabControl(this), kTabControlPlace);
    for (int32_t i = 0; i < kPageCount; ++i)
        pages[i] = tabControl->addTab();
    for (const LabelPlace& label : kLabels) {
        labels_.push_back(placeControl(new winui::Label(pages[label.page]),
                                {kLabelLeft, label.top, label.width, kLabelHeight}));
        labelKeys_.push_back(label.key);
    }

    winui::Tab* fonts = pages[PageFontsAndColors];
    mainFontLabel = placeControl(new winui::Label(fonts, winui::LabelNoPrefix), {192, 16, 200, 18});
    memberFontLabel = placeControl(new winui::Label(fonts, winui::LabelNoPrefix), {192, 46, 200, 18});
    mainFontLabel->inheritFont = false;
    memberFontLabel->inheritFont = false;
    mainFontButton = placeControl(new winui::Button(fonts), {391, 13, 82, 24});
    memberFontButton = placeControl(new winui::Button(fonts), {391, 44, 82, 24});
    for (int32_t i = 0; i < kSwatchCount; ++i) {
        swatches[i] = placeControl(new winui::ColorRect(fonts), kSwatchPlaces[i]);
        swatchHandlers_[i].connect(swatches[i]->clickedFrom, this, &TmxViewerSettingsForm::pickColor);
    }
    mainFontHandler_.connect(mainFontButton->clicked, this, &TmxViewerSettingsForm::changeMainFont);
    memberFontHandler_.connect(memberFontButton->clicked, this, &TmxViewerSettingsForm::changeMemberFont);

    winui::Tab* results = pages[PageResults];
    matchedStyleList = placeControl(new winui::ComboBox(results), {272, 18, 185, kDropHeight});
    colorModeList = placeControl(new winui::ComboBox(results), {272, 50, 185, kDropHeight});
    maximumEdit = placeControl(new winui::Edit(results, winui::EditSingleLine), {272, 100, 185, 24});
    SendMessageW(maximumEdit->hwnd, EM_LIMITTEXT, kMaxSearchResultsDigits, 0);

    for (int32_t i = 0; i < kOptionCount; ++i)
        options[i] = placeControl(new winui::CheckBox(pages[PageAdvanced]),
                           {kLabelLeft, kOptionTops[i], kCheckBoxWidth, kLabelHeight});

    languageList = placeControl(new winui::ComboBox(pages[PageInterface]), {176, 18, 281, kDropHeight});
    styleList = placeControl(new winui::ComboBox(pages[PageInterface]), {176, 58, 281, kDropHeight});

    okButton = placeControl(new winui::Button(this), kOkPlace);
    okButton->setDefault(true);
    cancelButton = placeControl(new winui::Button(this), kCancelPlace);
    okHandler_.connect(okButton->clicked, this, &TmxViewerSettingsForm::accept);
    cancelHandler_.connect(cancelButton->clicked, this, &TmxViewerSettingsForm::cancel);
}

void TmxViewerSettingsForm::applyTexts() {
    setText(localized(L"SettingsDialogTitle"));
    for (int32_t i = 0; i < kPageCount; ++i)
        pages[i]->setTitle(localized(kPageKeys[i]));
    for (std::size_t i = 0; i < labels_.size(); ++i)
        labels_[i]->setText(localized(labelKeys_[i]));
    for (winui::Button* change : {mainFontButton, memberFontButton})
        change->setText(localized(L"Change"));
    okButton->setText(localized(L"OK"));
    cancelButton->setText(localized(L"Cancel"));
    for (int32_t i = 0; i < kOptionCount; ++i)
        options[i]->setText(localized(kOptionKeys[i]));
    std::vector<std::wstring> entries;
    for (const wchar_t* key : kMatchedTextStyleKeys)
        entries.push_back(localized(key));
    refill(matchedStyleList, entries);
    entries.clear();
    for (const wchar_t* key : kMemberColorModeKeys)
        entries.push_back(localized(key));
    refill(colorModeList, entries);
}

void TmxViewerSettingsForm::localeChanged() {
    applyTexts();
}

void TmxViewerSettingsForm::loadSettings() {
    Localization& localization = Localization::instance();
    const ViewerSettingsValues values =
        loadViewerSettings(settings_, winui::defaultFont, style, localization.currentLanguageName());
    mainFont.assign(values.font);
    memberFont.assign(values.memberColumnFont);
    updateFontLabels();

    const std::vector<std::wstring>& languages = localization.languageNames();
    refill(languageList, languages);
    select(languageList, indexOfName(languages, values.uiLanguage, 0));

    std::vector<std::wstring> styles = winui::styleNames();
    styles.push_back(kSystemStyleName);
    refill(styleList, styles);
    select(styleList, indexOfName(styles, values.uiStyle, static_cast<int32_t>(styles.size()) - 1));

    swatches[SwatchText]->setColor(values.colors.text);
    swatches[SwatchBackground1]->setColor(values.colors.background1);
    swatches[SwatchBackground2]->setColor(values.colors.background2);
    select(matchedStyleList, values.matchedTextStyle);
    select(colorModeList, values.memberColorMode);
    maximumEdit->setText(formatInt(values.maxSearchResults));
    const bool checked[kOptionCount] = {values.showPlaceHolders, values.showTags,
                                        values.alwaysShowLanguageCombo, values.instantCopyText,
                                        values.autoSearchPastedText};
    for (int32_t i = 0; i < kOptionCount; ++i)
        setChecked(options[i], checked[i]);
}

void TmxViewerSettingsForm::updateFontLabels() {
    mainFontLabel->setFont(mainFont.isNull() ? winui::defaultFont : mainFont);
    mainFontLabel->setText(describeFont(mainFont));
    memberFontLabel->setFont(memberFont.isNull() ? winui::defaultFont : memberFont);
    memberFontLabel->setText(describeFont(memberFont));
}

void TmxViewerSettingsForm::onShown() {
    tabControl->selectTab(pages[PageFontsAndColors]);
    applyTexts();
    loadSettings();
}

ViewerSettingsValues TmxViewerSettingsForm::shownValues() {
    ViewerSettingsValues values;
    values.font.assign(mainFont);
    values.memberColumnFont.assign(memberFont);
    values.colors = {swatches[SwatchText]->color, swatches[SwatchBackground1]->color,
                     swatches[SwatchBackground2]->color};
    values.matchedTextStyle = selectedIndex(matchedStyleList);
    values.memberColorMode = selectedIndex(colorModeList);
    values.maxSearchResults = maxSearchResultsFromText(maximumEdit->text());
    values.showPlaceHolders = isChecked(options[OptionShowPlaceholders]);
    values.showTags = isChecked(options[OptionShowTags]);
    values.alwaysShowLanguageCombo = isChecked(options[OptionAlwaysShowLanguage]);
    values.instantCopyText = isChecked(options[OptionInstantCopy]);
    values.autoSearchPastedText = isChecked(options[OptionAutoSearchPasted]);
    values.uiLanguage = languageList->selectedText();
    values.uiStyle = styleList->selectedText();
    return values;
}

void TmxViewerSettingsForm::accept() {
    const std::wstring chosenStyle = styleList->selectedText();
    if (chosenStyle != settings_.get<std::wstring>(L"UIStyle", kDefaultStyleName)) {
        // Another style brings its own colours, whatever was picked before.
        const ResultsColors colors = resultsColorsOf(winui::getStyle(chosenStyle));
        swatches[SwatchText]->setColor(colors.text);
        swatches[SwatchBackground1]->setColor(colors.background1);
        swatches[SwatchBackground2]->setColor(colors.background2);
    }
    const ViewerSettingsValues values = shownValues();
    storeViewerSettings(settings_, values);
    Localization::instance().setLanguage(values.uiLanguage);
    hideWindow();
}

void TmxViewerSettingsForm::cancel() {
    hideWindow();
}

void TmxViewerSettingsForm::hideWindow() {
    ShowWindow(hwnd, SW_HIDE);
}

void TmxViewerSettingsForm::onEnterKey() {
    if (IsWindowVisible(hwnd))
        accept();
}

void TmxViewerSettingsForm::onEscapeKey() {
    cancel();
}

void TmxViewerSettingsForm::onClosing(bool& allow) {
    if (closing)
        return;
    allow = false;
    hideWindow();
}

void TmxViewerSettingsForm::pickColor(winui::ColorRect* swatch) {
    CHOOSECOLORW& block = colorDialog_.block;
    block.Flags = CC_RGBINIT | CC_FULLOPEN;
    block.rgbResult = swatch->color;
    if (seams.chooseColor(block) && block.rgbResult != swatch->color)
        swatch->setColor(block.rgbResult);
}

void TmxViewerSettingsForm::changeMainFont() {
    changeFont(mainFont);
}

void TmxViewerSettingsForm::changeMemberFont() {
    changeFont(memberFont);
}

void TmxViewerSettingsForm::changeFont(winui::Font& edited) {
    winui::FontDialog dialog(hwnd, edited);
    if (!seams.chooseFont(dialog))
        return;
    edited.assign(dialog.font());
    updateFontLabels();
}
