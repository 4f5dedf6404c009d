#include "core/app/Application.h"
#include "core/app/MessageLoop.h"
#include "filter_tool/ui/SiftonForm.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/Toolkit.h"

#include <windows.h>

#include <new>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Application& application = Application::instance();
    application.setInstanceHandle(instance);
    winui::programBuild = winui::ProgramBuild::Tool;

    SiftonForm* form = new (std::nothrow) SiftonForm();
    if (!form || !form->hwnd) {
        delete form;
        return 1;
    }
    applyStartStyle(*form);
    ShowWindow(form->hwnd, SW_SHOWNORMAL);
    const int result = runMessageLoop(application);
    delete form;
    winui::releaseStyles();
    return result;
}
