#pragma once

#include <string>

class Settings;

// The exit rule of the settings file: written when the tree holds a value that was read or set,
// or a child node; deleted otherwise (values loaded and never read do not count). True when the
// file was written or there was nothing to keep.
bool saveOrDeleteSettingsFile(Settings& settings, const std::wstring& path);
