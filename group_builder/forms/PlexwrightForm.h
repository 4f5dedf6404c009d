#pragma once

#include "core/events/HandlerHolder.h"
#include "ui_toolkit/SaveChanges.h"
#include "group_builder/forms/FileChooser.h"
#include "ui_toolkit/Form.h"

#include <string>

namespace winui {
class Button;
class GraphicButton;
}
class PlexwrightGrid;
class TMItemForm;

// The group builder's window: the group's TMX files in a grid, buttons to add, remove and move
// them, and buttons for a new group, opening a group file and saving it under a name. Entries
// are added and edited in the TMItemForm. Unsaved changes are asked about before they could be
// lost (New, Open, closing), and they count as saved only once the file is written.
class PlexwrightForm : public winui::Form {
public:
    enum DialogMode { AddMode = 0, EditMode = 1 };

    PlexwrightForm();
    ~PlexwrightForm() override;

    // Loads the group file into the grid. On failure tells the user and changes nothing.
    bool openGroupFile(const std::wstring& path);
    // True when the current work may be dropped: nothing unsaved, the user said No, or said Yes
    // and the save succeeded.
    bool askSaveChanges();
    // Writes the grid's entries to path. On success the path becomes the current one and the
    // changes count as saved; on failure the user is told and both stay as they were.
    SaveOutcome saveTo(const std::wstring& path);
    // Asks for a name, then saveTo.
    SaveOutcome saveAs();
    void chooseAndOpen();
    void applyTexts();
    // The file dialogs of this window and of the entry dialog ask through this.
    void setFileChooser(const FileChooser& fileChooser);

    void onAdd();
    void onRemove();
    void onMoveUp();
    void onMoveDown();
    void onNewGroup();
    void onOpen();
    void onSaveAs();
    void onItemAccepted();
    void onItemDialogClosed();
    void onRowActivated(int row);

    void onClosing(bool& allow) override;
    void onStyleChanged() override;

    int dialogMode = AddMode;
    bool changed = false;
    std::wstring currentPath;
    // The row that the entry dialog edits, fixed when it opens.
    int editedRow = -1;

    winui::GraphicButton* addButton = nullptr;
    winui::GraphicButton* removeButton = nullptr;
    winui::GraphicButton* upButton = nullptr;
    winui::GraphicButton* downButton = nullptr;
    winui::Button* newGroupButton = nullptr;
    winui::Button* openButton = nullptr;
    winui::Button* saveAsButton = nullptr;
    PlexwrightGrid* grid = nullptr;
    TMItemForm* itemForm = nullptr;
    FileChooser chooser = chooseWithFileDialog;

private:
    void showItemForm();
    void onKeyUpPressed();
    void onKeyDownPressed();
    void onKeyHomePressed();
    void onKeyEndPressed();
    void moveSelectionTo(int row);
    int showMessageKey(const wchar_t* key, UINT type);

    HandlerHolder addLink_;
    HandlerHolder removeLink_;
    HandlerHolder upLink_;
    HandlerHolder downLink_;
    HandlerHolder newGroupLink_;
    HandlerHolder openLink_;
    HandlerHolder saveAsLink_;
    HandlerHolder acceptedLink_;
    HandlerHolder cancelledLink_;
    HandlerHolder rowActivatedLink_;
    HandlerHolder keyUpLink_;
    HandlerHolder keyDownLink_;
    HandlerHolder keyHomeLink_;
    HandlerHolder keyEndLink_;
};
