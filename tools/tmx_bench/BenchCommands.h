#pragma once

// The commands of tmx_bench that live in files of their own. Each takes the arguments after the
// command's name and returns the process exit code, or -1 for a usage error.

#include <string>
#include <vector>

// filter IN.tmx OUT.tmx LANG [--remove-props]
int commandFilter(const std::vector<std::wstring>& args);

// True for a path that names a group file (".plexa", any letter case).
bool isGroupPath(const std::wstring& path);
// index GROUP.plexa
int commandGroupIndex(const std::vector<std::wstring>& args);
// search GROUP.plexa LANG QUERIES.txt [--budget N] [--top K]
int commandGroupSearch(const std::vector<std::wstring>& args);
