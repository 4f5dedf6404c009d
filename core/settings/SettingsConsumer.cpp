#include "core/settings/SettingsConsumer.h"

#include <utility>

SettingsConsumer::SettingsConsumer(SettingsTrackingProvider& provider) : provider_(&provider) {}

SettingsConsumer::~SettingsConsumer() {
    // untrack edits the key set, so walk a copy taken out of it.
    const std::set<std::wstring> keys = std::move(keys_);
    keys_.clear();
    for (const std::wstring& key : keys) provider_->untrack(key, this);
}
