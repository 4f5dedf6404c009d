#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace winui {

class Style;

// The styles of the library by name (compared exactly, case included), owned by the cache,
// with their names in the order they were entered, which is the library's order.
class StyleCache {
public:
    StyleCache();
    ~StyleCache();
    StyleCache(const StyleCache&) = delete;
    StyleCache& operator=(const StyleCache&) = delete;

    // The style of that name, or null.
    Style* find(const std::wstring& name) const;
    bool contains(const std::wstring& name) const;
    // Enters the style under the name and takes it; false (and the style dropped) when the
    // name is taken already.
    bool insert(const std::wstring& name, std::unique_ptr<Style> style);
    const std::vector<std::wstring>& names() const { return names_; }
    size_t size() const { return names_.size(); }
    bool empty() const { return names_.empty(); }
    // Deletes every style.
    void clear();

private:
    std::map<std::wstring, std::unique_ptr<Style>> styles_;
    std::vector<std::wstring> names_;
};

} // namespace winui
