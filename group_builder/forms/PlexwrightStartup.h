#pragma once

#include <windows.h>

#include <memory>
#include <string>

class PlexwrightForm;

// The window as the program starts: in the "CX" style, with the group file that the command
// line names opened. A path that does not exist or names a folder is ignored; a file that
// cannot be read is reported, and the empty window follows. The window is not shown yet.
std::unique_ptr<PlexwrightForm> createPlexwrightWindow(const std::wstring& commandLineTail);

// The whole program: the application object, the window, the message loop until the window
// closes. Returns the loop's exit code.
int runPlexwright(HINSTANCE instance, const std::wstring& commandLineTail);
