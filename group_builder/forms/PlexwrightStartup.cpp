#include "group_builder/forms/PlexwrightStartup.h"

#include "core/app/Application.h"
#include "core/app/MessageLoop.h"
#include "group_builder/CommandLine.h"
#include "group_builder/forms/PlexwrightForm.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/Toolkit.h"

std::unique_ptr<PlexwrightForm> createPlexwrightWindow(const std::wstring& commandLineTail) {
    winui::programBuild = winui::ProgramBuild::Tool;
    std::unique_ptr<PlexwrightForm> form(new PlexwrightForm());
    winui::Style* style = winui::getStyle(L"CX");
    if (style && style != form->style) {
        form->inheritStyle = false;
        form->setStyle(style);
    }
    const std::wstring path = commandLinePath(commandLineTail);
    if (!path.empty()) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            form->openGroupFile(path);
    }
    return form;
}

int runPlexwright(HINSTANCE instance, const std::wstring& commandLineTail) {
    Application& application = Application::instance();
    application.setInstanceHandle(instance);
    int result = 0;
    {
        std::unique_ptr<PlexwrightForm> form = createPlexwrightWindow(commandLineTail);
        ShowWindow(form->hwnd, SW_SHOWNORMAL);
        result = runMessageLoop(application);
    }
    winui::releaseStyles();
    return result;
}
