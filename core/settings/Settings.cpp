#include "core/settings/Settings.h"

#include "core/resources/Scrambling.h"
#include "core/settings/SettingsConsumer.h"
#include "core/util/FileUtils.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

Settings& Settings::global() {
    static Settings settings;
    return settings;
}

namespace {
// Builds the global tree before the main routine runs.
const Settings& globalSettingsAtStart = Settings::global();
} // namespace

Settings::~Settings() = default;

std::unique_ptr<Properties> Settings::createChild() const { return std::make_unique<Settings>(); }

void Settings::track(const std::wstring& key, SettingsConsumer* consumer) {
    if (!consumer) return;
    std::wstring leaf;
    Properties& resolved = resolvePath(key, leaf);
    auto* node = dynamic_cast<Settings*>(&resolved);
    if (!node) return;
    if (node->consumers_[leaf].insert(consumer).second) {
        Tracking& tracking = node->trackedKeys_[consumer];
        if (tracking.keys++ == 0)
            tracking.order = node->nextOrder_++;
    }
    consumer->keys_.insert(key);
}

void Settings::untrack(const std::wstring& key, SettingsConsumer* consumer) {
    if (!consumer) return;
    consumer->keys_.erase(key);
    std::wstring leaf;
    Properties* resolved = findPath(key, leaf);
    auto* node = dynamic_cast<Settings*>(resolved);
    if (!node) return;
    auto set = node->consumers_.find(leaf);
    if (set == node->consumers_.end() || set->second.erase(consumer) == 0) return;
    if (set->second.empty()) node->consumers_.erase(set);
    auto count = node->trackedKeys_.find(consumer);
    if (count != node->trackedKeys_.end() && --count->second.keys <= 0) {
        node->trackedKeys_.erase(count);
        // A consumer that no longer watches anything here must not be told at the batch end.
        node->pending_.erase(consumer);
    }
}

bool Settings::isTracking(const std::wstring& key, SettingsConsumer* consumer) const {
    auto set = consumers_.find(key);
    return set != consumers_.end() && set->second.count(consumer) != 0;
}

std::vector<SettingsConsumer*> Settings::inOrder(const std::set<SettingsConsumer*>& consumers) const {
    std::vector<std::pair<uint64_t, SettingsConsumer*>> ordered;
    ordered.reserve(consumers.size());
    for (SettingsConsumer* consumer : consumers) {
        auto tracking = trackedKeys_.find(consumer);
        if (tracking != trackedKeys_.end())
            ordered.emplace_back(tracking->second.order, consumer);
    }
    std::sort(ordered.begin(), ordered.end());
    std::vector<SettingsConsumer*> result;
    result.reserve(ordered.size());
    for (const auto& entry : ordered)
        result.push_back(entry.second);
    return result;
}

void Settings::changed(const std::wstring& key) {
    auto set = consumers_.find(key);
    if (set == consumers_.end()) return;
    if (batch_ > 0) {
        pending_.insert(set->second.begin(), set->second.end());
        return;
    }
    // A consumer may create or destroy consumers while it is told: work on a snapshot and
    // skip whoever stopped watching the key meanwhile.
    const std::vector<SettingsConsumer*> snapshot = inOrder(set->second);
    for (SettingsConsumer* consumer : snapshot) {
        if (isTracking(key, consumer)) consumer->settingsChanged();
    }
}

void Settings::endBatch() {
    --batch_;
    if (batch_ > 0) return;
    // Swapped out first, so that a batch begun by a consumer collects its own notices.
    std::set<SettingsConsumer*> due;
    due.swap(pending_);
    for (SettingsConsumer* consumer : inOrder(due)) {
        if (isTracking(consumer)) consumer->settingsChanged();
    }
}

bool Settings::loadFile(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, kMaxFileBytes, bytes)) return false;
    unscrambleBytes(bytes.data(), bytes.size());

    // The file is exactly one node: a short or overlong block (which also unscrambles to
    // other bytes throughout) is damage, and nothing of it is taken.
    ByteReader in(bytes);
    std::unique_ptr<Properties> parsed = parseDetached(in);
    if (!parsed || !in.atEnd()) return false;

    beginBatch();
    adopt(std::move(parsed));
    endBatch();
    return true;
}

bool Settings::saveFile(const std::wstring& path) const {
    std::vector<uint8_t> bytes = makeByteBuffer();
    serialize(bytes);
    scrambleBytes(bytes.data(), bytes.size());

    return replaceFileContents(path, bytes.data(), bytes.size());
}
