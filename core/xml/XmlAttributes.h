#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The attributes of one start tag or declaration, ordered by name (plain comparison of UTF-16
// units), one value per name. Emptying keeps the storage, so that reading tag after tag does
// not allocate.
class XmlAttributes {
public:
    XmlAttributes() = default;

    // The value of name, or a shared empty string when it is absent.
    const std::wstring& get(const std::wstring& name) const;
    bool contains(const std::wstring& name) const;
    // Stores a value; a later value for the same name replaces the earlier one.
    void set(const std::wstring& name, const std::wstring& value);
    // The same for a name and a value given as runs of units.
    void set(const wchar_t* name, size_t nameLength, const wchar_t* value, size_t valueLength);
    void clear() { count_ = 0; }

    bool empty() const { return count_ == 0; }
    size_t size() const { return count_; }
    // The index-th attribute in name order.
    const std::wstring& nameAt(size_t index) const { return entries_[index].first; }
    const std::wstring& valueAt(size_t index) const { return entries_[index].second; }

    // The attributes as tag text: each as a blank, the name, '=' and the quoted value, with
    // '&' and '<' escaped so that the text stays well-formed. The value is quoted with double
    // quotes, or with apostrophes when it holds a double quote but no apostrophe; when it holds
    // both, double quotes are written as "&quot;".
    std::wstring toMarkup() const;

private:
    // Index of the first entry whose name is not less than name.
    size_t lowerBound(const wchar_t* name, size_t length) const;

    std::vector<std::pair<std::wstring, std::wstring>> entries_;
    size_t count_ = 0;
};
