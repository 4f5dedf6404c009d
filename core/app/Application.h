#pragma once

#include "core/app/Shortcut.h"
#include "core/app/WindowRegistry.h"

#include <windows.h>

#include <string>

// Where the system says the program and the user's folders are. Application and
// buildSettingsFilePath take them as given, so that the placement rule can be exercised for any
// installation; query() asks the system for the running process. A folder the system cannot
// give is the empty string.
struct SystemFolders {
    std::wstring executablePath;
    std::wstring programFilesFolder;
    std::wstring appDataFolder;
    std::wstring documentsFolder;

    static SystemFolders query();
};

// The full path of the running executable.
std::wstring getModulePath();
// SHGetFolderPathW of the CSIDL; empty when the system cannot give it.
std::wstring getSpecialFolder(int csidl);
std::wstring getDocumentsFolder();

// The settings file: named after the executable with ".cfg", beside it (besideProgram true),
// or, for a program under the Program Files folder (a plain prefix test after both paths are
// brought to forward slashes and lower case), in a folder named after the executable inside
// the application-data folder, which is created here (besideProgram false). When the
// application-data folder is unknown the file stays beside the program, never in whatever the
// current folder happens to be.
std::wstring buildSettingsFilePath(bool& besideProgram);
std::wstring buildSettingsFilePath(const SystemFolders& folders, bool& besideProgram);

// The one per-process application object: the program's folders, the toolkit's window
// registry, the application-wide shortcuts and the instance handle. GUI thread only.
class Application {
public:
    // Built on the first call from the running process's folders; destroyed at exit.
    static Application& instance();

    Application();
    explicit Application(const SystemFolders& folders);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    const std::wstring& executablePath() const { return executablePath_; }
    const std::wstring& programFolder() const { return programFolder_; }
    const std::wstring& settingsFilePath() const { return settingsFilePath_; }
    // True when the settings file lies in the program folder.
    bool settingsBesideProgram() const { return settingsBesideProgram_; }
    const std::wstring& documentsFolder() const { return documentsFolder_; }

    WindowRegistry& windows() { return windows_; }
    const WindowRegistry& windows() const { return windows_; }
    // Consulted by the message loop before any window sees a key.
    winui::ShortcutTable& shortcuts() { return shortcuts_; }
    const winui::ShortcutTable& shortcuts() const { return shortcuts_; }

    // The main routine stores the handle it receives before creating any window. Until then
    // it is the executable's module handle, which is the same value for a program.
    HINSTANCE instanceHandle() const { return instanceHandle_; }
    void setInstanceHandle(HINSTANCE instance) { instanceHandle_ = instance; }

private:
    std::wstring executablePath_;
    std::wstring programFolder_;
    std::wstring settingsFilePath_;
    bool settingsBesideProgram_ = true;
    std::wstring documentsFolder_;
    WindowRegistry windows_;
    winui::ShortcutTable shortcuts_;
    HINSTANCE instanceHandle_ = nullptr;
};
