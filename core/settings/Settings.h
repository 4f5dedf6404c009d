#pragma once

#include "core/settings/Properties.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class SettingsConsumer;

// Where SettingsConsumers register for the keys they show.
class SettingsTrackingProvider {
public:
    virtual ~SettingsTrackingProvider() = default;
    virtual void track(const std::wstring& key, SettingsConsumer* consumer) = 0;
    virtual void untrack(const std::wstring& key, SettingsConsumer* consumer) = 0;
    virtual void changed(const std::wstring& key) = 0;
};

// A node of the program's settings tree that also tells consumers about changes. Every node
// of the global tree is a Settings; only the root's batch counter is ever raised, so nodes
// below it tell their consumers at once.
//
// Consumers are not owned, and the tree must outlive them (the global one does). One may be destroyed, or others created or destroyed, while it is
// being told: a consumer that is no longer tracked at this node (its destructor untracks it)
// is never called again, and a batch begun while a batch's notices go out keeps its own.
// Consumers are told in the order in which they first registered at the node, so that windows
// re-read their settings in the same order on every run.
class Settings : public Properties, public SettingsTrackingProvider {
public:
    // The tree built before the main routine and destroyed at exit.
    static Settings& global();

    Settings() = default;
    ~Settings() override;

    std::unique_ptr<Properties> createChild() const override;
    void onChanged(const std::wstring& key) override { changed(key); }

    // The key is resolved from this node; consumers of a path are tracked at its node.
    void track(const std::wstring& key, SettingsConsumer* consumer) override;
    void untrack(const std::wstring& key, SettingsConsumer* consumer) override;
    // Tells the key's consumers now, or at the end of the batch when one is open.
    void changed(const std::wstring& key) override;

    void beginBatch() { ++batch_; }
    // Closing the outermost batch tells each queued consumer once.
    void endBatch();
    int32_t batchDepth() const { return batch_; }

    // Reads the settings file into this node (in one batch). False when the file cannot be
    // opened, is larger than kMaxFileBytes or is damaged in any way; the tree is then left
    // as it was.
    bool loadFile(const std::wstring& path);
    // Writes this node to a temporary file beside the settings file and puts it in the old
    // file's place only after a complete, checked write; on failure the old file is kept.
    bool saveFile(const std::wstring& path) const;

    static constexpr uint32_t kMaxFileBytes = 16u * 1024 * 1024;

private:
    struct Tracking {
        int keys = 0;       // how many of this node's keys the consumer is tracked for
        uint64_t order = 0; // when it first registered here
    };

    bool isTracking(SettingsConsumer* consumer) const { return trackedKeys_.count(consumer) != 0; }
    bool isTracking(const std::wstring& key, SettingsConsumer* consumer) const;
    // The consumers still tracked, in registration order.
    std::vector<SettingsConsumer*> inOrder(const std::set<SettingsConsumer*>& consumers) const;

    std::map<std::wstring, std::set<SettingsConsumer*>> consumers_;
    std::set<SettingsConsumer*> pending_;
    int32_t batch_ = 0;
    std::map<SettingsConsumer*, Tracking> trackedKeys_;
    uint64_t nextOrder_ = 0;
};
