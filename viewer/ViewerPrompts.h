#pragma once

#include <windows.h>

#include <string>

namespace winui {
class Control;
class FileDialog;
} // namespace winui

// The main window's modal questions: message boxes and the file dialogs. The program shows the
// real ones; tests answer them from a script, so that no test waits for a person.
class ViewerPrompts {
public:
    virtual ~ViewerPrompts() = default;
    // A message box owned by the owner's top window; the button pressed.
    virtual int showMessage(winui::Control& owner, const std::wstring& text,
                            const std::wstring& caption, UINT type);
    // The open or save dialog; true when the user confirmed a file (the dialog then holds it).
    virtual bool showOpen(winui::FileDialog& dialog);
    virtual bool showSave(winui::FileDialog& dialog);
};
