#include "viewer/ViewerMain.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    return runViewer(instance, commandLine);
}
