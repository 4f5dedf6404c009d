#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The attributes of one start tag or declaration, ordered by name (plain comparison of UTF-16
// units), one value per name. Emptying keeps the storage, so that reading tag after tag does
// not allocate.
//
// A tag may hold any number of attributes, so insertion must not cost a shift of all the
// others: a few are kept sorted as they come, and beyond that they are appended and put in
// order (the latest value of a name winning) by one sort when they are first read.
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
    void clear() {
        count_ = 0;
        sorted_ = true;
    }

    bool empty() const { return count_ == 0; }
    size_t size() const {
        order();
        return count_;
    }
    // The index-th attribute in name order.
    const std::wstring& nameAt(size_t index) const {
        order();
        return entries_[index].first;
    }
    const std::wstring& valueAt(size_t index) const {
        order();
        return entries_[index].second;
    }

    // The attributes as tag text: each as a blank, the name, '=' and the quoted value, with
    // '&' and '<' escaped so that the text stays well-formed. The value is quoted with double
    // quotes, or with apostrophes when it holds a double quote but no apostrophe; when it holds
    // both, double quotes are written as "&quot;".
    std::wstring toMarkup() const;

private:
    // Up to this many attributes are inserted in place, each with a shift of those after it.
    static constexpr size_t kSortedInsertLimit = 16;

    // Index of the first entry whose name is not less than name; the entries must be in order.
    size_t lowerBound(const wchar_t* name, size_t length) const;
    // Sorts appended entries by name and keeps the last value of each name.
    void order() const {
        if (!sorted_)
            sortAppended();
    }
    void sortAppended() const;

    // Reading puts the entries in order: the order is part of the value, not of its storage.
    mutable std::vector<std::pair<std::wstring, std::wstring>> entries_;
    mutable size_t count_ = 0;
    mutable bool sorted_ = true;
};
