#pragma once

#include <cstdint>
#include <string>

// A path the main window is asked to open, with where it came from: the open dialog's filter
// index that chose it, or kFromCommandLine. A path from the command line that cannot be opened
// ends the program; the dialog's filter index is remembered only for a memory it opened.
struct OpenRequest {
    static constexpr int32_t kFromCommandLine = -1;

    std::wstring path;
    int32_t filterIndex = kFromCommandLine;

    bool fromCommandLine() const { return filterIndex < 0; }
};
