#include "core/xml/XmlAttributes.h"

#include "core/xml/XmlCharClasses.h"
#include "core/xml/XmlEntities.h"

#include <algorithm>
#include <cstdint>

namespace {

const std::wstring& emptyValue() {
    static const std::wstring empty;
    return empty;
}

// Orders two names by plain unit comparison; a name that is a prefix of the other comes first.
int compareNames(const std::wstring& stored, const wchar_t* name, size_t length) {
    const size_t common = stored.size() < length ? stored.size() : length;
    const wchar_t* a = stored.data();
    for (size_t i = 0; i < common; ++i) {
        if (a[i] != name[i]) {
            return static_cast<uint16_t>(a[i]) < static_cast<uint16_t>(name[i]) ? -1 : 1;
        }
    }
    return stored.size() < length ? -1 : stored.size() > length ? 1 : 0;
}

} // namespace

size_t XmlAttributes::lowerBound(const wchar_t* name, size_t length) const {
    size_t low = 0;
    size_t high = count_;
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (compareNames(entries_[middle].first, name, length) < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

void XmlAttributes::sortAppended() const {
    const auto begin = entries_.begin();
    const auto end = begin + static_cast<ptrdiff_t>(count_);
    // Stable: of several values for one name, the one set last stays last.
    std::stable_sort(begin, end, [](const std::pair<std::wstring, std::wstring>& a,
                                    const std::pair<std::wstring, std::wstring>& b) {
        return compareNames(a.first, b.first.data(), b.first.size()) < 0;
    });
    size_t kept = 0;
    for (size_t i = 0; i < count_; ++i) {
        if (i + 1 < count_ && entries_[i + 1].first == entries_[i].first) {
            continue; // a later value of this name follows
        }
        if (kept != i) {
            entries_[kept].first.swap(entries_[i].first);
            entries_[kept].second.swap(entries_[i].second);
        }
        ++kept;
    }
    count_ = kept;
    sorted_ = true;
}

const std::wstring& XmlAttributes::get(const std::wstring& name) const {
    order();
    const size_t index = lowerBound(name.data(), name.size());
    if (index < count_ && entries_[index].first == name) {
        return entries_[index].second;
    }
    return emptyValue();
}

bool XmlAttributes::contains(const std::wstring& name) const {
    order();
    const size_t index = lowerBound(name.data(), name.size());
    return index < count_ && entries_[index].first == name;
}

void XmlAttributes::set(const std::wstring& name, const std::wstring& value) {
    set(name.data(), name.size(), value.data(), value.size());
}

void XmlAttributes::set(const wchar_t* name, size_t nameLength, const wchar_t* value, size_t valueLength) {
    // In place while few and in order: the usual tag is read without a sort.
    size_t index = count_;
    if (sorted_ && count_ > 0 &&
        compareNames(entries_[count_ - 1].first, name, nameLength) >= 0) {
        if (count_ < kSortedInsertLimit) {
            index = lowerBound(name, nameLength);
            if (compareNames(entries_[index].first, name, nameLength) == 0) {
                xml_char_class::assignUnits(entries_[index].second, value, valueLength);
                return;
            }
        } else {
            sorted_ = false; // appended now, put in order when read
        }
    }
    // Reuse a slot left by an earlier clear(), whose strings keep their capacity.
    if (count_ == entries_.size()) {
        entries_.emplace_back();
    }
    xml_char_class::assignUnits(entries_[count_].first, name, nameLength);
    xml_char_class::assignUnits(entries_[count_].second, value, valueLength);
    ++count_;
    if (index < count_ - 1) {
        std::rotate(entries_.begin() + static_cast<ptrdiff_t>(index),
                    entries_.begin() + static_cast<ptrdiff_t>(count_ - 1),
                    entries_.begin() + static_cast<ptrdiff_t>(count_));
    }
}

std::wstring XmlAttributes::toMarkup() const {
    order();
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
        // Line breaks and tabs as references too: written raw, a reader gives them back as blanks.
        escapeXml(markup, value,
                  kXmlEscapeAmpLt | kXmlEscapeCr | kXmlEscapeTabLf | (quote == L'"' ? kXmlEscapeQuot : 0));
        markup += quote;
    }
    return markup;
}
