#pragma once

#include "core/events/HandlerHolder.h"
#include "core/l10n/LocaleListener.h"
#include "ui_toolkit/ColorDialog.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/values/FontDialog.h"
#include "viewer/ViewerSettingsValues.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class Settings;

namespace winui {
class Button;
class CheckBox;
class ColorRect;
class ComboBox;
class Edit;
class Label;
class Tab;
class TabControl;
} // namespace winui

// The viewer's settings dialog: four tabs that show the stored settings each time the window
// is shown, and store them all in one batch on OK. Cancel, Escape and a close request store
// nothing; closing only hides the window until the main window says the program is closing.
class TmxViewerSettingsForm : public winui::Form, public LocaleListener {
public:
    static constexpr int32_t kClientWidth = 489;
    static constexpr int32_t kClientHeight = 276;

    // settings: the tree it shows and stores (the global one in the program).
    TmxViewerSettingsForm(winui::Control* owner, Settings& settings);
    ~TmxViewerSettingsForm() override;

    void onShown() override;
    void onClosing(bool& allow) override;
    void onEnterKey() override;
    void onEscapeKey() override;
    void localeChanged() override;

    // OK: stores every value shown, switches the interface language, hides the window.
    void accept();
    // Cancel: hides the window, storing nothing.
    void cancel();
    void applyTexts();
    void loadSettings();

    // The platform's colour and font choosers, replaceable by tests. Each returns true when the
    // user confirmed a choice.
    struct Seams {
        std::function<bool(CHOOSECOLORW& block)> chooseColor;
        std::function<bool(winui::FontDialog& dialog)> chooseFont;
    };
    Seams seams;

    // Set by the main window when the program closes: a close request then closes.
    bool closing = false;

    enum Page : int32_t { PageFontsAndColors, PageResults, PageAdvanced, PageInterface, kPageCount };
    enum Swatch : int32_t { SwatchText, SwatchBackground1, SwatchBackground2, kSwatchCount };
    enum Option : int32_t {
        OptionShowPlaceholders,
        OptionShowTags,
        OptionAlwaysShowLanguage,
        OptionInstantCopy,
        OptionAutoSearchPasted,
        kOptionCount
    };

    // The controls, for tests.
    winui::TabControl* tabControl = nullptr;
    std::array<winui::Tab*, kPageCount> pages{};
    winui::Label* mainFontLabel = nullptr;
    winui::Label* memberFontLabel = nullptr;
    winui::Button* mainFontButton = nullptr;
    winui::Button* memberFontButton = nullptr;
    std::array<winui::ColorRect*, kSwatchCount> swatches{};
    winui::ComboBox* matchedStyleList = nullptr;
    winui::ComboBox* colorModeList = nullptr;
    winui::Edit* maximumEdit = nullptr;
    std::array<winui::CheckBox*, kOptionCount> options{};
    winui::ComboBox* languageList = nullptr;
    winui::ComboBox* styleList = nullptr;
    winui::Button* okButton = nullptr;
    winui::Button* cancelButton = nullptr;

    // The fonts being edited; only OK stores them.
    winui::Font mainFont;
    winui::Font memberFont;

private:
    void createControls();
    void hideWindow();
    void updateFontLabels();
    void pickColor(winui::ColorRect* swatch);
    void changeMainFont();
    void changeMemberFont();
    void changeFont(winui::Font& edited);
    ViewerSettingsValues shownValues();

    Settings& settings_;
    // Shared by the three swatches, so that custom colours chosen in one show in the others.
    winui::ColorDialog colorDialog_;
    std::vector<winui::Label*> labels_;
    std::vector<const wchar_t*> labelKeys_;
    std::array<HandlerHolder, kSwatchCount> swatchHandlers_;
    HandlerHolder mainFontHandler_;
    HandlerHolder memberFontHandler_;
    HandlerHolder okHandler_;
    HandlerHolder cancelHandler_;
};
