#include "filter_tool/ui/SiftonForm.h"

#include "core/l10n/Localization.h"
#include "core/threads/JobThreadPool.h"
#include "filter_tool/SiftonJob.h"
#include "filter_tool/ui/FormPlacement.h"
#include "filter_tool/ui/ProcessCheck.h"
#include "ui_toolkit/StyleLibrary.h"

#include <new>

namespace {

constexpr int32_t kLanguageLength = 5;
const wchar_t* const kCaption = L"Sifton";

SiftonFileChooser platformChooser;

} // namespace

void applyStartStyle(winui::Form& form) {
    winui::Style* style = winui::getStyle(L"CX");
    if (style && style != form.style) {
        form.inheritStyle = false;
        form.setStyle(style);
    }
}

SiftonForm::SiftonForm()
    : winui::Form(nullptr, 587, 137, winui::FormMain | winui::FormCentered),
      chooser(&platformChooser) {
    setText(kCaption);
    fileLabel = new winui::Label(this);
    languageLabel = new winui::Label(this);
    pathEdit = new winui::Edit(this);
    languageEdit = new winui::Edit(this);
    browseButton = new winui::Button(this);
    pickButton = new winui::Button(this);
    removePropsBox = new winui::CheckBox(this);
    processButton = new winui::Button(this);
    closeButton = new winui::Button(this);
    picker = new PickLanguageForm(this);
    popup = new winui::ProgressPopup(this);

    place(*fileLabel, 8, 11, 75, 17);
    place(*languageLabel, 8, 51, 128, 17);
    place(*pathEdit, 84, 8, 397, 25);
    place(*languageEdit, 136, 48, 129, 25);
    place(*browseButton, 492, 8, 89, 25);
    place(*pickButton, 272, 48, 25, 25);
    place(*removePropsBox, 336, 53, 241, 17);
    place(*processButton, 168, 96, 131, 25);
    place(*closeButton, 304, 96, 97, 25);
    SendMessageW(pathEdit->hwnd, EM_SETREADONLY, TRUE, 0);
    SendMessageW(languageEdit->hwnd, EM_LIMITTEXT, kLanguageLength, 0);
    pickButton->setText(L"...");

    browseClicked_.connect(browseButton->clicked, this, &SiftonForm::onBrowse);
    pickClicked_.connect(pickButton->clicked, this, &SiftonForm::onPickLanguage);
    processClicked_.connect(processButton->clicked, this, &SiftonForm::onProcess);
    closeClicked_.connect(closeButton->clicked, this, &SiftonForm::onClose);
    languageChosen_.connect(picker->chosen, this, &SiftonForm::onLanguageChosen);
    languageCancelled_.connect(picker->cancelled, this, &SiftonForm::onLanguageCancelled);
    applyTexts();
    onStyleChanged();
}

SiftonForm::~SiftonForm() {
    KillTimer(hwnd, kPopupTimer);
    // A job still running belongs to its pool thread until it ends: it is left alone (the
    // holders cut its events from this form), never deleted under the thread.
    jobProgress_.disconnectAll();
    jobFinished_.disconnectAll();
}

void SiftonForm::applyTexts() {
    const Localization& strings = Localization::instance();
    fileLabel->setText(strings.getString(L"TMXfile"));
    languageLabel->setText(strings.getString(L"TargetLanguage"));
    browseButton->setText(strings.getString(L"Browse"));
    removePropsBox->setText(strings.getString(L"RemovePropTags"));
    processButton->setText(strings.getString(L"Process"));
    closeButton->setText(strings.getString(L"Close"));
}

void SiftonForm::onShown() {
    applyTexts();
}

void SiftonForm::onStyleChanged() {
    winui::Form::onStyleChanged();
    if (popup && popup->style != style) {
        popup->inheritStyle = false;
        popup->setStyle(style);
    }
}

void SiftonForm::onClosing(bool& allow) {
    if (job_)
        allow = false;
}

void SiftonForm::onBrowse() {
    std::wstring path = pathEdit->text();
    if (chooser->chooseInput(*this, path))
        pathEdit->setText(path);
}

void SiftonForm::onPickLanguage() {
    picker->centerOnScreen();
    picker->showModal();
    ShowWindow(picker->hwnd, SW_SHOWNORMAL);
    picker->bringToFront();
}

void SiftonForm::onLanguageChosen() {
    languageEdit->setText(picker->chosenShortName);
    SetFocus(languageEdit->hwnd);
}

void SiftonForm::onLanguageCancelled() {
    SetFocus(languageEdit->hwnd);
}

void SiftonForm::onProcess() {
    if (job_)
        return;
    const std::wstring input = pathEdit->text();
    const std::wstring language = languageEdit->text();
    const bool removeProps = removePropsBox->isChecked();
    switch (checkProcessInput(input, language, removeProps)) {
    case ProcessCheck::MissingPath:
        MessageBeep(0);
        SetFocus(pathEdit->hwnd);
        return;
    case ProcessCheck::MissingLanguage:
        MessageBeep(0);
        SetFocus(languageEdit->hwnd);
        return;
    case ProcessCheck::Ready:
        break;
    }
    std::wstring output;
    if (!chooser->chooseOutput(*this, output))
        return;

    SiftonJob* job = new (std::nothrow) SiftonJob(input, output, language, removeProps);
    if (!job)
        return;
    if (!jobProgress_.connect(job->progress, this, &SiftonForm::onJobProgress) ||
        !jobFinished_.connect(job->finished, this, &SiftonForm::onJobFinished)) {
        jobProgress_.disconnectAll();
        jobFinished_.disconnectAll();
        delete job;
        return;
    }
    EnableWindow(hwnd, FALSE);
    job_ = job;
    popup->label->setText(Localization::instance().getString(L"Processing"));
    popup->bar->setPosition(0);
    if (!startJob(job)) {
        // Never queued: nothing runs it, so it ends here as a failed run would.
        job_ = nullptr;
        jobProgress_.disconnectAll();
        jobFinished_.disconnectAll();
        delete job;
        EnableWindow(hwnd, TRUE);
        SetFocus(pathEdit->hwnd);
        return;
    }
    SetTimer(hwnd, kPopupTimer, kPopupDelayMs, nullptr);
}

void SiftonForm::onTimer(UINT_PTR timerId) {
    if (timerId != kPopupTimer)
        return;
    KillTimer(hwnd, kPopupTimer);
    if (job_)
        ShowWindow(popup->hwnd, SW_SHOWNORMAL);
}

void SiftonForm::onJobProgress() {
    if (popup && job_ && job_->percent() >= 0)
        popup->bar->setPosition(job_->percent());
}

void SiftonForm::onJobFinished() {
    KillTimer(hwnd, kPopupTimer);
    SiftonJob* job = job_;
    job_ = nullptr;
    jobProgress_.disconnectAll();
    jobFinished_.disconnectAll();
    EnableWindow(hwnd, TRUE);
    ShowWindow(popup->hwnd, SW_HIDE);
    if (job) {
        const Localization& strings = Localization::instance();
        if (job->errorCode() != 0)
            showMessage(strings.getString(L"ProcessingError") + L": " + job->errorMessage(),
                        kCaption, MB_ICONERROR);
        else if (job->unitsWritten() > 0)
            showMessage(strings.getString(L"FileSaved"), kCaption, MB_ICONINFORMATION);
        else
            showMessage(strings.getString(L"NoLangMatch"), kCaption, MB_ICONWARNING);
    }
    SetFocus(pathEdit->hwnd);
    delete job;
}

void SiftonForm::onClose() {
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
}
