#pragma once

#include "core/events/HandlerHolder.h"
#include "filter_tool/ui/PickLanguageForm.h"
#include "filter_tool/ui/SiftonFileChooser.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/CheckBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/ProgressPopup.h"

#include <cstdint>

class SiftonJob;

// Gives the form the program's style, "CX" of the style library, set on the form itself (not
// inherited) when it is not its style already; the form hands it on to its children.
void applyStartStyle(winui::Form& form);

// The filter tool's one window: a TMX file, a target language (typed or picked), the box that
// drops prop elements, Process and Close. Process runs a SiftonJob on the job pool with the
// window disabled; the progress popup shows only when the run takes longer than a moment.
class SiftonForm : public winui::Form {
public:
    // Shows the progress popup of a run still going after this long.
    static constexpr UINT_PTR kPopupTimer = 1000;
    static constexpr UINT kPopupDelayMs = 450;

    SiftonForm();
    ~SiftonForm() override;

    void applyTexts();

    void onShown() override;
    void onTimer(UINT_PTR timerId) override;
    void onStyleChanged() override;
    // Refused while a job runs: the program must not end under it.
    void onClosing(bool& allow) override;

    // The running job, null when none runs.
    SiftonJob* job() const { return job_; }

    // Not owned; the platform's dialogs unless a test puts its own here.
    SiftonFileChooser* chooser;

    // Children of the form, which deletes them.
    winui::Label* fileLabel = nullptr;
    winui::Label* languageLabel = nullptr;
    winui::Edit* pathEdit = nullptr;
    winui::Edit* languageEdit = nullptr;
    winui::Button* browseButton = nullptr;
    winui::Button* pickButton = nullptr;
    winui::Button* processButton = nullptr;
    winui::Button* closeButton = nullptr;
    winui::CheckBox* removePropsBox = nullptr;
    PickLanguageForm* picker = nullptr;
    winui::ProgressPopup* popup = nullptr;

    void onBrowse();
    void onPickLanguage();
    void onProcess();
    void onClose();
    void onLanguageChosen();
    void onLanguageCancelled();
    void onJobProgress();
    void onJobFinished();

private:
    HandlerHolder browseClicked_;
    HandlerHolder pickClicked_;
    HandlerHolder processClicked_;
    HandlerHolder closeClicked_;
    HandlerHolder languageChosen_;
    HandlerHolder languageCancelled_;
    HandlerHolder jobProgress_;
    HandlerHolder jobFinished_;
    SiftonJob* job_ = nullptr;
};
