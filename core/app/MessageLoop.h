#pragma once

#include <windows.h>

#include <cstdint>

class Application;

// The modifier keys held now, as the shortcut tables compare them: bit 0 Shift, 1 Ctrl, 2 Alt
// (either side), 10 left Windows key, 11 right Windows key (mask 0xC07). The same value as the
// toolkit's full modifier state reduced to that mask.
uint16_t currentShortcutModifiers();

// The application-wide shortcut check made before a message is dispatched. A key-down that
// matches an entry fires its event; the key-down and the key-up of a matching key are both
// consumed (true), so the focused window sees neither.
bool filterShortcutKey(const MSG& message, Application& application);

// Runs the GUI thread's message loop until WM_QUIT and returns its exit code. Should the
// system fail to deliver a message, the loop ends with -1 rather than spin.
int runMessageLoop(Application& application);
