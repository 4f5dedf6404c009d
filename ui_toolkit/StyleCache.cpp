#include "ui_toolkit/StyleCache.h"

#include "ui_toolkit/Style.h"

#include <utility>

namespace winui {

StyleCache::StyleCache() = default;

StyleCache::~StyleCache() = default;

Style* StyleCache::find(const std::wstring& name) const {
    const auto found = styles_.find(name);
    return found == styles_.end() ? nullptr : found->second.get();
}

bool StyleCache::contains(const std::wstring& name) const { return styles_.count(name) != 0; }

bool StyleCache::insert(const std::wstring& name, std::unique_ptr<Style> style) {
    if (!style || contains(name)) return false;
    names_.push_back(name);
    styles_.emplace(name, std::move(style));
    return true;
}

void StyleCache::clear() {
    styles_.clear();
    names_.clear();
}

} // namespace winui
