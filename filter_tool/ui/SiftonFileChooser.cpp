#include "filter_tool/ui/SiftonFileChooser.h"

#include "core/l10n/Localization.h"
#include "ui_toolkit/FileDialog.h"

#include <functional>
#include <new>

namespace {

constexpr DWORD kOpenFlags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
constexpr DWORD kSaveFlags = OFN_OVERWRITEPROMPT | OFN_EXTENSIONDIFFERENT | OFN_PATHMUSTEXIST;

// Runs a dialog that setUp prepared; on OK its file name becomes path.
bool runDialog(winui::Control& owner, bool save,
               const std::function<void(winui::FileDialog&)>& setUp, std::wstring& path) {
    try {
        winui::FileDialog dialog(&owner);
        setUp(dialog);
        if (!(save ? dialog.showSave() : dialog.showOpen()))
            return false;
        path = dialog.fileName;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

bool SiftonFileChooser::chooseInput(winui::Control& owner, std::wstring& path) {
    return runDialog(owner, false, [&](winui::FileDialog& dialog) {
        dialog.addFilter(Localization::instance().getString(L"TMXfiles"), L"*.tmx", L".tmx");
        dialog.flags = kOpenFlags;
        dialog.fileName = path;
    }, path);
}

bool SiftonFileChooser::chooseOutput(winui::Control& owner, std::wstring& path) {
    return runDialog(owner, true, [](winui::FileDialog& dialog) {
        // A fixed description, the same in every interface language.
        dialog.addFilter(L"TMX files (*.tmx)", L"*.tmx", L".tmx");
        dialog.flags = kSaveFlags;
    }, path);
}
