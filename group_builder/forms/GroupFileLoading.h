#pragma once

#include "group_builder/GroupEntry.h"

#include <string>
#include <vector>

// Reads the members of the group file at path, in file order, for editing: each member's path
// as it is opened (relative paths joined to the group file's folder, so that saving into
// another folder still names the same files; a path that cannot be joined stays as written),
// its short name and its colour. No limit on their number and no duplicate test. False, with
// entries untouched, when the file cannot be read or is damaged.
bool loadGroupEntries(const std::wstring& path, std::vector<GroupEntry>& entries);
