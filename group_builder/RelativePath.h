#pragma once

#include <string>

// Leaves in result the path to write for path in a file that lies in folder: relative to the
// folder (with ".." steps) when both lie under the same root, else path unchanged. Folders are
// matched without regard to letter case; the written rest keeps the path's own case. The root
// of a drive path is its drive (c: or c:\), of a network path \\server\share, of a rooted path
// its leading separator. Returns the number of ".." steps used.
int makeRelativePath(const std::wstring& folder, const std::wstring& path, std::wstring& result);
