#include "group_builder/forms/GroupFileLoading.h"

#include "tmx_engine/GroupFileReader.h"

#include <new>

bool loadGroupEntries(const std::wstring& path, std::vector<GroupEntry>& entries) {
    GroupFileMembers members;
    if (!readGroupFile(path, members))
        return false;
    try {
        std::vector<GroupEntry> loaded;
        loaded.reserve(members.paths.size());
        for (std::size_t i = 0; i < members.paths.size(); ++i) {
            const std::wstring& full = members.fullPaths[i];
            loaded.push_back(GroupEntry{full.empty() ? members.paths[i] : full, members.names[i],
                                        static_cast<COLORREF>(members.colors[i])});
        }
        entries = std::move(loaded);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
