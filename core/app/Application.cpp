#include "core/app/Application.h"

#include "core/app/GlobalConstants.h"
#include "core/util/StringUtils.h"

#include <shlobj.h>

#include <vector>

namespace {

// The system cuts longer paths at the room it is given; the buffer grows until the path fits,
// up to the longest path the system has.
constexpr DWORD kModulePathRoom = 1024;
constexpr DWORD kLongestPath = 32768;

} // namespace

std::wstring getModulePath() {
    std::vector<wchar_t> buffer(kModulePathRoom);
    for (;;) {
        const DWORD room = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), room);
        if (length == 0)
            return std::wstring();
        if (length < room || room >= kLongestPath)
            return std::wstring(buffer.data(), length < room ? length : room - 1);
        buffer.resize(room * 2);
    }
}

std::wstring getSpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    path[MAX_PATH - 1] = L'\0';
    return std::wstring(path);
}

std::wstring getDocumentsFolder() {
    return getSpecialFolder(CSIDL_PERSONAL);
}

SystemFolders SystemFolders::query() {
    SystemFolders folders;
    folders.executablePath = getModulePath();
    folders.programFilesFolder = getSpecialFolder(CSIDL_PROGRAM_FILES);
    folders.appDataFolder = getSpecialFolder(CSIDL_APPDATA);
    folders.documentsFolder = getDocumentsFolder();
    return folders;
}

std::wstring buildSettingsFilePath(const SystemFolders& folders, bool& besideProgram) {
    const std::wstring exeName = getFileName(folders.executablePath);
    const std::wstring fileName = replaceExtension(exeName, kSettingsFileExtension);
    const std::wstring folderName = replaceExtension(exeName, L"");

    std::wstring exeKey = folders.executablePath;
    toForwardSlashes(exeKey);
    exeKey = toLowerCase(exeKey);
    std::wstring programFilesKey = folders.programFilesFolder;
    toForwardSlashes(programFilesKey);
    programFilesKey = toLowerCase(programFilesKey);

    // An unknown Program Files folder is the empty prefix, so the settings go to the
    // application-data folder; an unknown application-data folder would make the path
    // relative to the current folder, so the settings then stay beside the program.
    if (startsWith(programFilesKey, exeKey) && !folders.appDataFolder.empty()) {
        const std::wstring settingsFolder = combinePath(folderName, folders.appDataFolder);
        // An existing folder is fine; one that cannot be made leaves the path in place, and
        // loading and saving then fail on their own.
        CreateDirectoryW(settingsFolder.c_str(), nullptr);
        besideProgram = false;
        return combinePath(fileName, settingsFolder);
    }
    besideProgram = true;
    return combinePath(fileName, getDirectory(folders.executablePath));
}

std::wstring buildSettingsFilePath(bool& besideProgram) {
    return buildSettingsFilePath(SystemFolders::query(), besideProgram);
}

Application& Application::instance() {
    static Application application;
    return application;
}

Application::Application() : Application(SystemFolders::query()) {}

Application::Application(const SystemFolders& folders)
    : executablePath_(folders.executablePath),
      programFolder_(getDirectory(folders.executablePath)),
      documentsFolder_(folders.documentsFolder),
      instanceHandle_(GetModuleHandleW(nullptr)) {
    bool beside = true;
    settingsFilePath_ = buildSettingsFilePath(folders, beside);
    settingsBesideProgram_ = beside;
}
