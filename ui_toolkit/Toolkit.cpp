#include "ui_toolkit/Toolkit.h"

#include "core/app/Application.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Control.h"
#include "ui_toolkit/WindowDc.h"

#include <commctrl.h>

namespace winui {

bool started = false;
Font defaultFont;
int32_t screenDpiX = 0;
std::vector<Form*> modalForms;
MenuCommandRouter menuCommandRouter = nullptr;
ProgramBuild programBuild = ProgramBuild::Viewer;

Form* topModalForm() {
    return modalForms.empty() ? nullptr : modalForms.back();
}

namespace {

void registerClass(const wchar_t* name, UINT classStyle, HICON icon, HINSTANCE instance) {
    WNDCLASSEXW windowClassInfo = {};
    windowClassInfo.cbSize = sizeof(WNDCLASSEXW);
    windowClassInfo.style = classStyle;
    windowClassInfo.lpfnWndProc = windowProc;
    windowClassInfo.hInstance = instance;
    windowClassInfo.hIcon = icon;
    windowClassInfo.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClassInfo.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClassInfo.lpszClassName = name;
    // A class that is registered already (a second start-up in one process) stays as it is.
    RegisterClassExW(&windowClassInfo);
}

// The menu font of the non-client metrics, read with the structure as it was before its last
// field was added, so that older systems accept the size.
void readDefaultFont() {
    const UINT size = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = size;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, size, &metrics, 0))
        return;
    defaultFont = Font::fromLogFont(metrics.lfMenuFont);
}

} // namespace

void startUp() {
    InitCommonControls();
    // Kept loaded for the life of the process so the common controls' classes stay valid.
    LoadLibraryW(L"comctl32.dll");

    const HINSTANCE instance = Application::instance().instanceHandle();
    const UINT classStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    registerClass(mainWindowClass, classStyle, LoadIconW(instance, MAKEINTRESOURCEW(1)), instance);
    registerClass(windowClass, classStyle, nullptr, instance);
    registerClass(childWindowClass, classStyle | CS_PARENTDC, nullptr, instance);

    readDefaultFont();

    WindowDc screen(nullptr);
    Canvas canvas(screen.handle());
    screenDpiX = GetDeviceCaps(canvas.dc, LOGPIXELSX);
    screenDpiY = GetDeviceCaps(canvas.dc, LOGPIXELSY);
    started = true;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // An exception (running out of memory in a handler, say) must not unwind through the
    // system's frames, which would end the process: the message counts as not handled.
    try {
        if (Control* control = Application::instance().windows().find(window))
            return control->dispatchMessage(message, wParam, lParam);
    } catch (...) {
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace winui
