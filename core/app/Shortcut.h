#pragma once

#include "core/events/HandlerList.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>

namespace winui {

// The modifier bits that take part in shortcut matching: Shift, Ctrl, Alt (either side), left
// and right Windows key. Caps Lock and the left/right distinctions never count.
constexpr uint16_t kShortcutModifierMask = 0x0C07;

// One keyboard shortcut: a virtual-key code and a modifier mask, and the event fired when it is
// pressed. Entries are equal when key and mask are; they are ordered by key, then by mask.
class Shortcut {
public:
    Shortcut(int32_t key, int16_t modifiers) : key(key), modifiers(modifiers) {}
    Shortcut(const Shortcut&) = delete;
    Shortcut& operator=(const Shortcut&) = delete;

    const int32_t key;
    const int16_t modifiers; // compared as given
    HandlerList pressed;
};

// A set of owned shortcuts: a form's table, or the application-wide set that the message loop
// consults before any window sees a key. Entries keep their address while they are in the set.
class ShortcutTable {
public:
    ShortcutTable() = default;
    ShortcutTable(const ShortcutTable&) = delete;
    ShortcutTable& operator=(const ShortcutTable&) = delete;

    // The entry for key and mask, created with an empty event when there is none. Null only
    // when memory ran out.
    Shortcut* add(int32_t key, int16_t modifiers);
    // Exact lookup; null when there is no such entry.
    Shortcut* find(int32_t key, int16_t modifiers) const;

    bool isEmpty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }

private:
    std::map<std::pair<int32_t, int16_t>, std::unique_ptr<Shortcut>> entries_;
};

} // namespace winui
