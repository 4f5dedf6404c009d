#include "group_builder/forms/PlexwrightStartup.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    return runPlexwright(instance, commandLine ? commandLine : L"");
}
