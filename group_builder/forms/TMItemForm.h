#pragma once

#include "core/events/HandlerHolder.h"
#include "core/events/HandlerList.h"
#include "group_builder/forms/FileChooser.h"
#include "ui_toolkit/Form.h"

#include <windows.h>

#include <memory>
#include <string>

namespace winui {
class Button;
class ColorRect;
class Edit;
class Label;
}
class PickTMColorForm;

// The dialog in which one group entry is added or edited: its TMX file (chosen with Browse,
// the path itself is read-only), a short name of at most 14 characters and a colour picked
// from a palette under the swatch. The dialog is made once and shown for every entry; its
// owner fills it, shows it with present() and reads it when accepted fires.
class TMItemForm : public winui::Form {
public:
    static constexpr int kShortNameLimit = 14;

    explicit TMItemForm(winui::Control* owner);
    ~TMItemForm() override;

    std::wstring filePath() const;
    std::wstring shortName() const;
    // Both set the edit to the trimmed text.
    void setFilePath(const std::wstring& text);
    void setShortName(const std::wstring& text);
    // The swatch repaints only when the colour changes.
    void setColor(COLORREF color);
    COLORREF color() const;

    // Centres the dialog, shows it on top of the modal stack and keeps the owner window
    // disabled until the dialog hides again, so that nothing in it changes meanwhile.
    void present();

    void onShown() override;
    void onStyleChanged() override;
    // OK: with a file, hides the dialog and fires accepted; without, beeps and stays.
    void onEnterKey() override;
    // Cancel: hides the dialog and fires cancelled.
    void onEscapeKey() override;
    // The caption's close box and Alt+F4 cancel too, but never destroy the window, which is
    // shown again for the next entry.
    void onClosing(bool& allow) override;

    HandlerList accepted;
    HandlerList cancelled;

    // Browse asks through this; the owner may replace it.
    FileChooser chooser = chooseWithFileDialog;

    winui::Label* fileLabel = nullptr;
    winui::Label* shortNameLabel = nullptr;
    winui::Label* colorLabel = nullptr;
    winui::Edit* pathEdit = nullptr;
    winui::Edit* shortNameEdit = nullptr;
    winui::ColorRect* swatch = nullptr;
    winui::Button* browseButton = nullptr;
    winui::Button* okButton = nullptr;
    winui::Button* cancelButton = nullptr;
    // No owner of its own, so owned here.
    std::unique_ptr<PickTMColorForm> palette;

private:
    void applyTexts();
    void onBrowse();
    void onSwatchClicked();
    void onPaletteHidden();
    // Gives the owner back its input, then hides the dialog (so that activation returns to the
    // owner).
    void hideAndReleaseOwner();

    HandlerHolder okLink_;
    HandlerHolder cancelLink_;
    HandlerHolder browseLink_;
    HandlerHolder swatchLink_;
    HandlerHolder paletteHiddenLink_;
};
