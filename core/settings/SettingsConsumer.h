#pragma once

#include "core/settings/Settings.h"

#include <set>
#include <string>

// An object that shows settings. It registers for keys with its provider and re-reads all
// of its settings in settingsChanged. Destruction untracks every key, so a consumer that
// dies while a notice is queued for it is never called.
class SettingsConsumer {
public:
    explicit SettingsConsumer(SettingsTrackingProvider& provider = Settings::global());
    SettingsConsumer(const SettingsConsumer&) = delete;
    SettingsConsumer& operator=(const SettingsConsumer&) = delete;
    virtual ~SettingsConsumer();

    virtual void settingsChanged() {}

    // Shorthands for the provider's track and untrack with this consumer.
    void trackSetting(const std::wstring& key) { provider_->track(key, this); }
    void untrackSetting(const std::wstring& key) { provider_->untrack(key, this); }

    SettingsTrackingProvider& settingsProvider() const { return *provider_; }
    const std::set<std::wstring>& trackedSettings() const { return keys_; }

private:
    friend class Settings;

    SettingsTrackingProvider* provider_;
    std::set<std::wstring> keys_;
};
