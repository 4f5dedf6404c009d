#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The members of a .plexa group file, in file order, the four lists aligned.
struct GroupFileMembers {
    // As the file writes them: relative or full, trimmed.
    std::vector<std::wstring> paths;
    // Each path as it is opened: a full path unchanged, any other joined to the group file's
    // folder; "" when ".." steps climb above that folder's root.
    std::vector<std::wstring> fullPaths;
    std::vector<std::wstring> names;
    // COLORREFs; kNoGroupColor for a member without a colour.
    std::vector<uint32_t> colors;
};

// Reads the group file at path. False when it cannot be opened or read, is not well-formed XML,
// holds bytes that cannot be decoded, or ends inside a member (a file cut off); members is then
// left as it was. Neither the number of members nor their files are checked here.
bool readGroupFile(const std::wstring& path, GroupFileMembers& members);
