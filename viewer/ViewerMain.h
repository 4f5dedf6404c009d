#pragma once

#include <windows.h>

#include <string>

class TmxViewerForm;

// The main routine of the viewer, step by step, so that tests can run each step on a window of
// their own. runViewer is all that wWinMain calls.

// The program-wide main window: set while runViewer's window exists, null otherwise.
extern TmxViewerForm* mainForm;

// Raises a window font of 1 to 12 pixels to 13 and stores it at "font" unless a font is stored
// already; storing it hands the font to the window's controls.
void applyFontRule(TmxViewerForm& form);

// Moves and sizes the main window to "mainFormRect" when that lies wholly on the desktop.
void restoreMainFormPlacement();

// Hands the command-line path to the main window (after unquoting), to open once it is ready.
void openCommandLinePath(const std::wstring& path);

// How the main window is first shown: maximised again when it was maximised at the last exit
// ("mainFormMaximized"), else in its normal state.
int startShowCommand(bool wasMaximized);

// Steps 1 to 12: build the window, read the settings file, apply font, placement, language and
// style, take the command line, run the message loop, write or remove the settings file.
int runViewer(HINSTANCE instance, const wchar_t* commandLineTail);
