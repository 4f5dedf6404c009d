#pragma once

#include "core/settings/Settings.h"
#include "core/settings/SettingsConsumer.h"
#include "ui_toolkit/values/Font.h"

#include <string>

// Counts how often it is told, whatever number of its keys changed.
class CountingConsumer : public SettingsConsumer {
public:
    explicit CountingConsumer(Settings& settings) : SettingsConsumer(settings) {}
    void settingsChanged() override { ++notices; }
    int notices = 0;
};

inline std::wstring faceOf(const winui::Font& font) {
    std::wstring face;
    float size = 0;
    uint16_t style = 0;
    font.describe(face, size, style);
    return face;
}
