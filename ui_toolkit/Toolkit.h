#pragma once

#include "core/app/GlobalConstants.h"
#include "core/values/Font.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// The toolkit's process-wide state. GUI thread only; nothing here is locked.

namespace winui {

class Form;

// Set once startUp has run.
extern bool started;
// The system's menu font, which every Control copies when it has no parent to inherit from;
// a null font until startUp could read it.
extern Font defaultFont;
// The screen's LOGPIXELSX; the vertical resolution is screenDpiY (core/values/Font.h).
extern int32_t screenDpiX;

// The modal stack, top last. While it is not empty the dispatcher sends activation, focus and
// the key preview to its top form.
extern std::vector<Form*> modalForms;
// The top of the modal stack, or null when it is empty.
Form* topModalForm();

// Which program the toolkit serves. The group builder and the filter tool handle modal forms
// more lightly: showModal only stacks the form (their callers show and raise it), hiding the
// top neither releases the mouse capture nor focuses the new top, and their main form asks for
// small icon 2 instead of 5. Their main routines set it before the first form is created.
enum class ProgramBuild { Viewer, Tool };
extern ProgramBuild programBuild;

// One-time initialisation, run by the first Control's constructor: the common controls, the
// three window classes, the default font and the screen resolution.
void startUp();

// The window procedure of every window the toolkit creates or subclasses.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// How a menu WM_COMMAND (no sender window, command id in the low word) reaches its item. The
// menu code installs its lookup here; it returns false for an id that names no item. With no
// lookup installed such commands go on to default processing only.
using MenuCommandRouter = bool (*)(uint16_t commandId);
extern MenuCommandRouter menuCommandRouter;

} // namespace winui
