#pragma once

#include <windows.h>

#include <string>

// The Unicode text on the clipboard; empty when there is none.
inline std::wstring clipboardUnicodeText() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = units;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}
