#include "group_builder/GroupEntryList.h"

#include "core/util/StringUtils.h"

#include <utility>

GroupEntryList::AddResult GroupEntryList::add(const std::wstring& path, const std::wstring& shortName,
                                              COLORREF color, int& row) {
    const std::wstring trimmed = trim(path);
    row = find(trimmed);
    if (row >= 0) {
        selected_ = row;
        return AddResult::Existing;
    }
    if (entries_.size() >= kMaxEntries)
        return AddResult::Full;
    entries_.push_back(GroupEntry{trimmed, shortName, color});
    row = count() - 1;
    return AddResult::Added;
}

bool GroupEntryList::update(int row, const std::wstring& path, const std::wstring& shortName, COLORREF color) {
    if (!isRow(row))
        return false;
    entries_[static_cast<std::size_t>(row)] = GroupEntry{trim(path), shortName, color};
    return true;
}

bool GroupEntryList::remove(int row) {
    if (!isRow(row))
        return false;
    entries_.erase(entries_.begin() + row);
    if (row == selected_)
        selected_ = 0;
    return true;
}

bool GroupEntryList::moveUp(int row) {
    if (row < 1 || row >= count())
        return false;
    std::swap(entries_[static_cast<std::size_t>(row)], entries_[static_cast<std::size_t>(row - 1)]);
    if (selected_ == row)
        selected_ = row - 1;
    return true;
}

bool GroupEntryList::moveDown(int row) {
    if (row < 0 || row >= count() - 1)
        return false;
    std::swap(entries_[static_cast<std::size_t>(row)], entries_[static_cast<std::size_t>(row + 1)]);
    if (selected_ == row)
        selected_ = row + 1;
    return true;
}

bool GroupEntryList::clear() {
    if (entries_.empty())
        return false;
    entries_.clear();
    return true;
}

void GroupEntryList::replace(std::vector<GroupEntry> entries) {
    entries_ = std::move(entries);
}

int GroupEntryList::find(const std::wstring& path) const {
    const std::wstring wanted = toLowerCase(path);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (toLowerCase(entries_[i].path) == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

bool GroupEntryList::select(int row) {
    if (row > count() - 1)
        row = count() - 1;
    if (row < 0)
        row = 0;
    if (row == selected_)
        return false;
    selected_ = row;
    return true;
}
