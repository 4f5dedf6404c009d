#include "viewer/ViewerPrompts.h"

#include "ui_toolkit/Control.h"
#include "ui_toolkit/FileDialog.h"

int ViewerPrompts::showMessage(winui::Control& owner, const std::wstring& text,
                               const std::wstring& caption, UINT type) {
    return owner.showMessage(text, caption, type);
}

bool ViewerPrompts::showOpen(winui::FileDialog& dialog) {
    return dialog.showOpen();
}

bool ViewerPrompts::showSave(winui::FileDialog& dialog) {
    return dialog.showSave();
}
