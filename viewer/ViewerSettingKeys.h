#pragma once

#include "core/settings/Properties.h"

#include <string>

// The settings the main window reads, each key with the one default it has, so that no two
// readings of a key can differ in what an absent value means.
template <typename T>
struct SettingKey {
    const wchar_t* name;
    T fallback;
};

inline const SettingKey<bool> kShowTagsSetting{L"showTags", true};
inline const SettingKey<bool> kShowPlaceHoldersSetting{L"showPlaceHolders", true};
inline const SettingKey<bool> kAutoSearchPastedTextSetting{L"autoSearchPastedText", false};
inline const SettingKey<bool> kInstantCopyTextSetting{L"instantCopyText", false};
inline const SettingKey<bool> kAlwaysShowLanguageComboSetting{L"alwaysShowLanguageCombo", false};
inline const SettingKey<int> kTmxOpenFilterIndexSetting{L"tmxOpenFileFilterIndex", 1};
inline const SettingKey<int> kDocumentOpenFilterIndexSetting{L"xlfOpenFileFilterIndex", 1};

// Folders, whose defaults are worked out where they are read.
inline constexpr wchar_t kTmxOpenFolderKey[] = L"tmxOpenFileInitialDir";
inline constexpr wchar_t kDocumentOpenFolderKey[] = L"xlfOpenFileInitialDir";

template <typename T>
T readSetting(Properties& settings, const SettingKey<T>& key) {
    return settings.get<T>(key.name, key.fallback);
}
