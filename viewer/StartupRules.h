#pragma once

#include "core/values/Rect.h"

#include <windows.h>

#include <string>

// The arithmetic of the main program's start: what becomes of the command line, the stored
// font and the stored window placement. Pure functions, so every rule is checked headless.

// The path named on the command line: blanks around the tail go first; then, while the text is
// longer than two characters and both begins and ends with a double quote, one pair is removed.
// A lone quote or a pair of quotes stays as it is (and is refused later as a file name).
std::wstring unquoteCommandLine(const std::wstring& tail);

// The smallest character height the program shows: a font of 1 to 12 pixels (lfHeight -1 to
// -12) is raised to 13. True when the description was changed; heights of 0, positive cell
// heights and 13 pixels or more are left alone.
bool raiseSmallFont(LOGFONTW& logFont);

// A stored window rectangle is used only when it lies wholly on the desktop.
bool placementFitsDesktop(const winui::Rect& stored, const winui::Rect& desktop);

// The caption after a file opened: its name without folder and extension.
std::wstring captionForPath(const std::wstring& path);
