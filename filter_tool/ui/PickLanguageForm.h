#pragma once

#include "core/events/HandlerHolder.h"
#include "core/events/HandlerList.h"
#include "filter_tool/ui/PickLanguageGrid.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/Form.h"

#include <string>

// The dialog behind the main window's "..." button: the built-in languages in a grid, OK and
// Cancel. It is made once, hidden, and shown again for every pick; it hides itself and fires
// chosen (with chosenShortName set) or cancelled.
class PickLanguageForm : public winui::Form {
public:
    explicit PickLanguageForm(winui::Control* owner);
    ~PickLanguageForm() override;

    void onShown() override;
    // The caption's close button and Alt+F4 cancel; the form itself stays for the next pick.
    void onClosing(bool& allow) override;
    void onMouseWheel(int32_t notches, bool& handled) override;

    void applyTexts();

    HandlerList chosen;
    HandlerList cancelled;

    std::wstring chosenShortName;

    // Children of the form, which deletes them.
    winui::Button* okButton = nullptr;
    winui::Button* cancelButton = nullptr;
    PickLanguageGrid* grid = nullptr;

private:
    void onOk();
    void onCancel();
    void onRowActivated();

    HandlerHolder okClicked_;
    HandlerHolder cancelClicked_;
    HandlerHolder rowActivated_;
};
