#include "core/settings/Settings.h"

#include "core/resources/Scrambling.h"
#include "core/settings/SettingsConsumer.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { close(); }

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() {
        if (!valid()) return true;
        const bool ok = CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE handle_;
};

// Reads a whole file of at most maxBytes; false when it cannot be opened, is larger, or
// a read comes up short.
bool readWholeFile(const std::wstring& path, uint32_t maxBytes, std::vector<uint8_t>& bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > maxBytes) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) ||
            got == 0) {
            return false;
        }
        done += got;
    }
    return true;
}

bool writeWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD put = 0;
        if (!WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, nullptr) ||
            put == 0) {
            return false;
        }
        done += put;
    }
    return FlushFileBuffers(file.get()) && file.close();
}

} // namespace

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
    if (node->consumers_[leaf].insert(consumer).second) ++node->trackedKeys_[consumer];
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
    if (count != node->trackedKeys_.end() && --count->second <= 0) {
        node->trackedKeys_.erase(count);
        // A consumer that no longer watches anything here must not be told at the batch end.
        node->pending_.erase(consumer);
    }
}

bool Settings::isTracking(const std::wstring& key, SettingsConsumer* consumer) const {
    auto set = consumers_.find(key);
    return set != consumers_.end() && set->second.count(consumer) != 0;
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
    const std::vector<SettingsConsumer*> snapshot(set->second.begin(), set->second.end());
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
    for (SettingsConsumer* consumer : due) {
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

    const std::wstring temporary = path + L".tmp";
    if (!writeWholeFile(temporary, bytes)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}
