#pragma once

#include "core/events/HandlerHolder.h"
#include "core/l10n/LocaleListener.h"
#include "tmx_engine/TmxEntry.h"
#include "ui_toolkit/Form.h"

#include <array>
#include <cstdint>

namespace winui {
class Button;
class ComboBox;
class Edit;
class Label;
} // namespace winui

// Shows one translation unit in full: its id, target languages, the source and one target
// segment as TMX markup, dates, authors and byte offset. A fixed-size window without caption
// buttons; closing it only hides it until the main window says the program is closing.
class TmxEntryDetailsForm : public winui::Form, public LocaleListener {
public:
    static constexpr int32_t kClientWidth = 625;
    static constexpr int32_t kClientHeight = 411;

    explicit TmxEntryDetailsForm(winui::Control* owner);
    ~TmxEntryDetailsForm() override;

    void onShown() override;
    void onClosing(bool& allow) override;
    void onFontChanged() override;
    void localeChanged() override;

    // Fills the window with a copy of the entry; the caller shows it.
    void showEntry(const TmxEntry& entry, uint32_t offset);
    // Shows the segment of the language chosen in the list.
    void showTargetSegment();
    void applyTexts();
    // Moves the window to where it was last closed, when that place lies wholly on the
    // desktop; otherwise it stays centred. Runs at the first showing, once the settings are
    // loaded.
    void restorePlacement();

    // Set by the main window when the program closes: a close request then closes.
    bool closing = false;

    // The controls, for the main window and tests.
    enum Caption : int32_t {
        CaptionTuid,
        CaptionTargetLanguages,
        CaptionSource,
        CaptionTarget,
        CaptionCreationDate,
        CaptionChangeDate,
        CaptionCreationId,
        CaptionChangeId,
        CaptionOffset,
        kCaptionCount
    };
    std::array<winui::Label*, kCaptionCount> captions{};
    winui::Label* languagesValue = nullptr;
    winui::Label* creationDateValue = nullptr;
    winui::Label* changeDateValue = nullptr;
    winui::Label* creationIdValue = nullptr;
    winui::Label* changeIdValue = nullptr;
    winui::Edit* tuidValue = nullptr;
    winui::Edit* sourceSegment = nullptr;
    winui::Edit* targetSegment = nullptr;
    winui::Edit* offsetValue = nullptr;
    winui::ComboBox* languageList = nullptr;
    winui::Button* closeButton = nullptr;

private:
    void createControls();
    void storePlacement();
    void hideWindow();
    void applyCaptionFont();

    HandlerHolder languageChangedHandler_;
    HandlerHolder closeClickedHandler_;
    TmxEntry entry_;
    winui::Font captionFont_;
    bool placementRestored_ = false;
};
