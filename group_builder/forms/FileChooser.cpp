#include "group_builder/forms/FileChooser.h"

#include "ui_toolkit/FileDialog.h"

bool chooseWithFileDialog(winui::Control* owner, const FileRequest& request, std::wstring& chosen) {
    winui::FileDialog dialog(owner);
    dialog.addFilter(request.description, request.pattern, request.extension);
    dialog.initialFolder = request.initialFolder;
    dialog.fileName = request.fileName;
    dialog.flags = request.flags;
    if (!(request.save ? dialog.showSave() : dialog.showOpen()))
        return false;
    chosen = dialog.fileName;
    return true;
}
