#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace winui {

class Control;

// The platform's open and save dialogs over a filter list with one extension per filter. The
// object can be run any number of times; each run starts from the last fileName and
// filterIndex, and a cancelled or failed run changes nothing.
class FileDialog {
public:
    static constexpr std::size_t kFiltersSize = 2048;
    static constexpr std::size_t kCustomFilterSize = 512;
    static constexpr std::size_t kFileNameSize = 1024;

    explicit FileDialog(Control* owner);
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;
    ~FileDialog() = default;

    // Appends a filter ("TMX files", "*.tmx", ".tmx"); one that does not fit the filter buffer
    // is dropped without notice. The extension, with its dot, is what showSave puts on a name
    // saved under this filter.
    void addFilter(const std::wstring& description, const std::wstring& pattern,
                   const std::wstring& extension);

    bool showOpen();
    bool showSave();

    // 1-based index of the first filter whose extension ends the path (exact case), else 1.
    int32_t filterForName(const std::wstring& path) const;
    // 1-based index of the first filter whose extension is the path's own (any letter case),
    // else 0.
    int32_t filterForTypedExtension(const std::wstring& path) const;

    // The two halves of a run, apart so that they can be checked without a modal dialog.
    // prepare fills the structure for a run; fileBuffer must hold kFileNameSize units and
    // stay alive while the structure is used.
    void prepare(OPENFILENAMEW& block, wchar_t* fileBuffer) const;
    // Take the result of a confirmed dialog: the returned path (at most kFileNameSize units,
    // read up to its NUL) and the returned filter index.
    void acceptOpen(const wchar_t* path, DWORD returnedIndex);
    // A typed extension that one of the filters names is kept, and that filter becomes the
    // index; otherwise the chosen filter's extension replaces or completes the typed one.
    // The dialog's own overwrite prompt judged the name as typed. When the filter's extension
    // turns it into another name that already exists, and the flags ask for the prompt, that
    // final name is put to confirmReplace; a refusal returns false and changes nothing, and
    // showSave then opens the dialog again on the typed name.
    bool acceptSave(const wchar_t* path, DWORD returnedIndex);

    // Asked whether an existing file may be replaced; true to replace. Empty: a Yes/No message
    // box owned by the owner's window, No as the default button.
    std::function<bool(const std::wstring& path)> confirmReplace;

    Control* owner = nullptr;
    std::vector<wchar_t> filters;
    std::vector<std::wstring> extensions;
    std::size_t filtersLength = 0;
    std::vector<wchar_t> customFilter;
    std::wstring initialFolder;
    std::wstring title;
    std::wstring fileName;
    int32_t filterIndex = 1;
    DWORD flags = 0;

private:
    bool run(bool save);
    bool askToReplace(const std::wstring& path) const;
};

} // namespace winui
