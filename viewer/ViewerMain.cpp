#include "viewer/ViewerMain.h"

#include "core/app/Application.h"
#include "core/app/GlobalConstants.h"
#include "core/app/MessageLoop.h"
#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "ui_toolkit/StyleLibrary.h"
#include "viewer/UpdateChecker.h"
#include "viewer/StartupRules.h"
#include "viewer/TmxViewerForm.h"

TmxViewerForm* mainForm = nullptr;

void applyFontRule(TmxViewerForm& form) {
    LOGFONTW description = {};
    if (!form.font.getLogFont(description) || !raiseSmallFont(description))
        return;
    const winui::Font raised = winui::Font::fromLogFont(description);
    if (!raised.isNull() && !Settings::global().contains(L"font"))
        Settings::global().set<winui::Font>(L"font", raised);
}

void restoreMainFormPlacement() {
    if (!mainForm || !mainForm->hwnd)
        return;
    const winui::Rect stored = Settings::global().get<winui::Rect>(L"mainFormRect", mainForm->bounds());
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    if (placementFitsDesktop(stored, winui::Rect(desktop.left, desktop.top, desktop.right, desktop.bottom))) {
        SetWindowPos(mainForm->hwnd, nullptr, stored.left, stored.top, stored.width(), stored.height(), 0);
        mainForm->layoutControls();
    }
}

void openCommandLinePath(const std::wstring& path) {
    if (mainForm)
        mainForm->openCommandLinePath(path);
}

int startShowCommand(bool wasMaximized) {
    return wasMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
}

int runViewer(HINSTANCE instance, const wchar_t* commandLineTail) {
    Application& application = Application::instance();
    application.setInstanceHandle(instance);
    mainForm = new TmxViewerForm();
    Settings& settings = Settings::global();
    settings.loadFile(application.settingsFilePath());
    applyFontRule(*mainForm);
    // Read before the placement, whose resize stores the window's present state.
    const bool wasMaximized = settings.get<bool>(L"mainFormMaximized", false);
    restoreMainFormPlacement();

    Localization& localization = Localization::instance();
    localization.setLanguage(settings.get<std::wstring>(L"UILanguage", localization.currentLanguageName()));
    winui::Style* style = winui::getStyle(settings.get<std::wstring>(L"UIStyle", kDefaultStyleName));
    if (style != mainForm->style) {
        mainForm->inheritStyle = false;
        mainForm->setStyle(style);
    }

    const std::wstring tail = commandLineTail ? commandLineTail : L"";
    if (!tail.empty())
        openCommandLinePath(unquoteCommandLine(tail));
    ShowWindow(mainForm->hwnd, startShowCommand(wasMaximized));

    const int exitCode = runMessageLoop(application);
    storeSettingsFile(settings, application.settingsFilePath());
    delete mainForm;
    mainForm = nullptr;
    winui::releaseStyles();
    return exitCode;
}
