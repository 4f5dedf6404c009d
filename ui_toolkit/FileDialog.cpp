#include "ui_toolkit/FileDialog.h"

#include "core/l10n/Localization.h"
#include "core/util/StringUtils.h"
#include "ui_toolkit/Control.h"

#include <cwchar>
#include <new>

namespace winui {

#if !defined(_WIN64)
static_assert(sizeof(OPENFILENAMEW) == 88, "the full 32-bit structure, with FlagsEx");
#endif

namespace {

std::wstring boundedString(const wchar_t* text, std::size_t capacity) {
    return std::wstring(text, wcsnlen(text, capacity));
}

// File names compare without regard to case, as the file system does.
bool sameFileName(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && toLowerCase(a) == toLowerCase(b);
}

bool pathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

FileDialog::FileDialog(Control* ownerControl)
    : owner(ownerControl), filters(kFiltersSize, L'\0'), customFilter(kCustomFilterSize, L'\0') {}

void FileDialog::addFilter(const std::wstring& description, const std::wstring& pattern,
                           const std::wstring& extension) {
    // Description, NUL, pattern, NUL and the list's closing NUL must all fit the buffer.
    if (filtersLength + pattern.size() + description.size() + 3 > kFiltersSize - 1)
        return;
    try {
        extensions.push_back(extension);
    } catch (const std::bad_alloc&) {
        return;
    }
    wchar_t* out = filters.data() + filtersLength;
    out = std::wmemcpy(out, description.data(), description.size()) + description.size();
    *out++ = L'\0';
    out = std::wmemcpy(out, pattern.data(), pattern.size()) + pattern.size();
    *out++ = L'\0';
    *out = L'\0';
    filtersLength += description.size() + pattern.size() + 2;
}

int32_t FileDialog::filterForName(const std::wstring& path) const {
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        if (endsWith(extensions[i], path))
            return static_cast<int32_t>(i + 1);
    }
    return 1;
}

int32_t FileDialog::filterForTypedExtension(const std::wstring& path) const {
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return 0;
    const std::wstring typedExtension = path.substr(dot);
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        if (!extensions[i].empty() && sameFileName(extensions[i], typedExtension))
            return static_cast<int32_t>(i + 1);
    }
    return 0;
}

void FileDialog::prepare(OPENFILENAMEW& block, wchar_t* fileBuffer) const {
    ZeroMemory(&block, sizeof(block));
    block.lStructSize = sizeof(OPENFILENAMEW);
    block.hwndOwner = owner && owner->hwnd ? owner->hwnd : GetDesktopWindow();
    // With no filter at all the dialog is given none rather than an empty list.
    block.lpstrFilter = filtersLength ? filters.data() : nullptr;
    // An empty custom filter would stand as a blank first entry of the "Files of type" list
    // (and be chosen in place of the filters): the dialog gets one only when there is one.
    if (!customFilter.empty() && customFilter[0] != L'\0') {
        block.lpstrCustomFilter = const_cast<wchar_t*>(customFilter.data());
        block.nMaxCustFilter = static_cast<DWORD>(customFilter.size());
    }
    block.nFilterIndex = static_cast<DWORD>(filterIndex);
    fileBuffer[0] = L'\0';
    if (!fileName.empty() && fileName.size() < kFileNameSize)
        std::wmemcpy(fileBuffer, fileName.c_str(), fileName.size() + 1);
    block.lpstrFile = fileBuffer;
    block.nMaxFile = static_cast<DWORD>(kFileNameSize);
    // Empty strings would give the dialog an empty caption; null lets it use its own.
    block.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    block.lpstrTitle = title.empty() ? nullptr : title.c_str();
    block.Flags = flags;
}

void FileDialog::acceptOpen(const wchar_t* path, DWORD returnedIndex) {
    std::wstring chosen = boundedString(path, kFileNameSize);
    const int32_t index =
        returnedIndex == 0 ? filterForName(chosen) : static_cast<int32_t>(returnedIndex);
    fileName.swap(chosen);
    filterIndex = index;
}

bool FileDialog::acceptSave(const wchar_t* path, DWORD returnedIndex) {
    const std::wstring typed = boundedString(path, kFileNameSize);
    std::wstring chosen = typed;
    int32_t index;
    const int32_t typedFilter = filterForTypedExtension(typed);
    if (typedFilter > 0) {
        // An extension the user typed that one of the filters names is what they asked for,
        // whichever filter stood chosen: results.txt stays a text file.
        index = typedFilter;
    } else if (returnedIndex >= 1 && returnedIndex <= extensions.size()) {
        index = static_cast<int32_t>(returnedIndex);
        const std::wstring& extension = extensions[returnedIndex - 1];
        // A filter without an extension ("All files") keeps the name as typed rather than
        // stripping the extension the user gave.
        if (!extension.empty())
            chosen = replaceExtension(chosen, extension);
    } else {
        index = filterForName(chosen);
    }
    // "memory" typed beside memory.tmx passed the dialog's prompt unasked.
    if ((flags & OFN_OVERWRITEPROMPT) && !sameFileName(typed, chosen) && pathExists(chosen) &&
        !askToReplace(chosen))
        return false;
    fileName.swap(chosen);
    filterIndex = index;
    return true;
}

bool FileDialog::askToReplace(const std::wstring& path) const {
    if (confirmReplace)
        return confirmReplace(path);
    HWND window = nullptr;
    std::wstring caption = title;
    if (owner && owner->hwnd) {
        window = owner->topAncestor()->hwnd;
        if (caption.empty()) {
            wchar_t text[256] = {};
            GetWindowTextW(window, text, 256);
            caption = text;
        }
    }
    const std::wstring text =
        path + L"\n" + Localization::instance().getString(L"ConfirmReplaceFile");
    return MessageBoxW(window, text.c_str(), caption.c_str(),
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

bool FileDialog::run(bool save) {
    std::vector<wchar_t> fileBuffer;
    try {
        fileBuffer.assign(kFileNameSize, L'\0');
    } catch (const std::bad_alloc&) {
        return false;
    }
    OPENFILENAMEW block;
    prepare(block, fileBuffer.data());
    for (;;) {
        const BOOL confirmed = save ? GetSaveFileNameW(&block) : GetOpenFileNameW(&block);
        // A path too long for the buffer fails the call, which counts as a cancel.
        if (!confirmed || fileBuffer[0] == L'\0')
            return false;
        try {
            if (!save) {
                acceptOpen(fileBuffer.data(), block.nFilterIndex);
                return true;
            }
            if (acceptSave(fileBuffer.data(), block.nFilterIndex))
                return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
        // Replacing was refused: back to the dialog, which still holds the typed name and
        // the chosen filter.
    }
}

bool FileDialog::showOpen() { return run(false); }

bool FileDialog::showSave() { return run(true); }

} // namespace winui
