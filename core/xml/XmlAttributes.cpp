#include "core/xml/XmlAttributes.h"

#include <algorithm>

namespace {

const std::wstring& emptyValue() {
    static const std::wstring empty;
    return empty;
}

} // namespace

size_t XmlAttributes::lowerBound(const std::wstring& name) const {
    size_t low = 0;
    size_t high = count_;
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (entries_[middle].first < name) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

const std::wstring& XmlAttributes::get(const std::wstring& name) const {
    const size_t index = lowerBound(name);
    if (index < count_ && entries_[index].first == name) {
        return entries_[index].second;
    }
    return emptyValue();
}

bool XmlAttributes::contains(const std::wstring& name) const {
    const size_t index = lowerBound(name);
    return index < count_ && entries_[index].first == name;
}

void XmlAttributes::set(const std::wstring& name, const std::wstring& value) {
    const size_t index = lowerBound(name);
    if (index < count_ && entries_[index].first == name) {
        entries_[index].second = value;
        return;
    }
    // Reuse a slot left by an earlier clear(), whose strings keep their capacity.
    if (count_ == entries_.size()) {
        entries_.emplace_back();
    }
    entries_[count_].first = name;
    entries_[count_].second = value;
    ++count_;
    std::rotate(entries_.begin() + static_cast<ptrdiff_t>(index),
                entries_.begin() + static_cast<ptrdiff_t>(count_ - 1),
                entries_.begin() + static_cast<ptrdiff_t>(count_));
}

std::wstring XmlAttributes::toMarkup() const {
    std::wstring markup;
    for (size_t i = 0; i < count_; ++i) {
        const std::wstring& value = entries_[i].second;
        const bool hasDouble = value.find(L'"') != std::wstring::npos;
        const bool hasSingle = value.find(L'\'') != std::wstring::npos;
        const wchar_t quote = hasDouble && !hasSingle ? L'\'' : L'"';
        markup += L' ';
        markup += entries_[i].first;
        markup += L'=';
        markup += quote;
        for (const wchar_t unit : value) {
            switch (unit) {
            case L'&': markup += L"&amp;"; break;
            case L'<': markup += L"&lt;"; break;
            case L'"':
                if (quote == L'"') {
                    markup += L"&quot;";
                } else {
                    markup += unit;
                }
                break;
            default: markup += unit; break;
            }
        }
        markup += quote;
    }
    return markup;
}
