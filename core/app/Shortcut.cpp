#include "core/app/Shortcut.h"

#include <new>

namespace winui {

Shortcut* ShortcutTable::add(int32_t key, int16_t modifiers) {
    const auto id = std::make_pair(key, modifiers);
    const auto found = entries_.find(id);
    if (found != entries_.end())
        return found->second.get();
    try {
        std::unique_ptr<Shortcut> entry(new Shortcut(key, modifiers));
        Shortcut* result = entry.get();
        entries_.emplace(id, std::move(entry));
        return result;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Shortcut* ShortcutTable::find(int32_t key, int16_t modifiers) const {
    const auto found = entries_.find(std::make_pair(key, modifiers));
    return found == entries_.end() ? nullptr : found->second.get();
}

} // namespace winui
