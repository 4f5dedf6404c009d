#pragma once

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>

namespace winui {
class Control;
}

// One question for a file name: what the group builder's windows ask the platform's open and
// save dialogs.
struct FileRequest {
    bool save = false;
    // One filter: its localised description, its pattern ("*.plexa") and the extension with its
    // dot that a saved name without one receives.
    std::wstring description;
    std::wstring pattern;
    std::wstring extension;
    std::wstring initialFolder;
    std::wstring fileName;
    DWORD flags = 0;
};

// Asks for a file name; true with the chosen path, false when the user cancelled. The windows
// ask through this, so that tests can answer in place of the platform's dialogs.
using FileChooser =
    std::function<bool(winui::Control* owner, const FileRequest& request, std::wstring& chosen)>;

// The platform's open or save dialog, owned by the owner's window.
bool chooseWithFileDialog(winui::Control* owner, const FileRequest& request, std::wstring& chosen);
