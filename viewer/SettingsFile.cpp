#include "viewer/SettingsFile.h"

#include "core/settings/Settings.h"

#include <windows.h>

bool saveOrDeleteSettingsFile(Settings& settings, const std::wstring& path) {
    if (settings.holdsUsedValues())
        return settings.saveFile(path);
    DeleteFileW(path.c_str());
    return true;
}
