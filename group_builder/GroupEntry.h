#pragma once

#include <windows.h>

#include <string>

// One member of a group as the group builder holds it.
struct GroupEntry {
    std::wstring path;
    std::wstring shortName;
    // 0x00BBGGRR; 0xEEEEEEEE means that the member has no colour.
    COLORREF color = 0xEEEEEEEE;
};
