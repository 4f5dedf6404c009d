#pragma once

#include <string>

namespace winui {
class Control;
}

// Where the main window gets its file names: the platform's open and save dialogs, or, in the
// tests, whatever a test chooses.
class SiftonFileChooser {
public:
    virtual ~SiftonFileChooser() = default;
    // The TMX file to filter; path holds the current one on entry. False when cancelled.
    virtual bool chooseInput(winui::Control& owner, std::wstring& path);
    // Where to save the filtered copy. False when cancelled.
    virtual bool chooseOutput(winui::Control& owner, std::wstring& path);
};
