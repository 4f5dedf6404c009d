#include "group_builder/forms/PlexwrightForm.h"

#include "core/l10n/Localization.h"
#include "core/util/StringUtils.h"
#include "group_builder/EntryColors.h"
#include "group_builder/GroupEntryList.h"
#include "group_builder/GroupFileWriter.h"
#include "group_builder/forms/FormLayout.h"
#include "group_builder/forms/GraphicButton.h"
#include "group_builder/forms/PlexwrightGrid.h"
#include "group_builder/forms/TMItemForm.h"
#include "ui_toolkit/Button.h"

namespace {

const wchar_t* const kTitle = L"Plexwright";
const int kClientWidth = 563;
const int kClientHeight = 352;
const int kMinimumWidth = 574;
const int kMinimumHeight = 250;

const DWORD kOpenFlags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
const DWORD kSaveFlags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;

const uint32_t kBottomLeft = winui::AnchorLeft | winui::AnchorBottom;
const uint32_t kBottomRight = winui::AnchorRight | winui::AnchorBottom;

FileRequest groupFileRequest(bool save, const std::wstring& currentPath) {
    FileRequest request;
    request.save = save;
    request.description = Localization::instance().getString(L"PlexaFiles");
    request.pattern = L"*.plexa";
    request.extension = L".plexa";
    request.flags = save ? kSaveFlags : kOpenFlags;
    if (!currentPath.empty()) {
        request.initialFolder = getDirectory(currentPath);
        request.fileName = save ? getFileName(currentPath) : currentPath;
    }
    return request;
}

} // namespace

PlexwrightForm::PlexwrightForm()
    : winui::Form(nullptr, kClientWidth, kClientHeight, winui::FormMain | winui::FormCentered) {
    setText(kTitle);
    minWidth = kMinimumWidth;
    minHeight = kMinimumHeight;

    addButton = new winui::GraphicButton(this);
    removeButton = new winui::GraphicButton(this);
    upButton = new winui::GraphicButton(this);
    downButton = new winui::GraphicButton(this);
    newGroupButton = new winui::Button(this);
    openButton = new winui::Button(this);
    saveAsButton = new winui::Button(this);
    grid = new PlexwrightGrid(this);
    itemForm = new TMItemForm(this);

    placeControl(grid, 8, 8, 547, 300,
                 winui::AnchorLeft | winui::AnchorTop | winui::AnchorRight | winui::AnchorBottom);
    placeControl(newGroupButton, 8, 316, 161, 27, kBottomLeft);
    placeControl(openButton, 172, 316, 117, 27, kBottomLeft);
    placeControl(saveAsButton, 292, 316, 119, 27, kBottomLeft);
    // The image buttons stand 34 pixels apart at the bottom right.
    winui::GraphicButton* const imageButtons[] = {addButton, removeButton, upButton, downButton};
    const wchar_t* const images[] = {L"btnAdd", L"btnRemove", L"btnUp", L"btnDown"};
    for (int i = 0; i < 4; ++i) {
        placeControl(imageButtons[i], 420 + 34 * i, 316, 31, 27, kBottomRight);
        imageButtons[i]->setImage(images[i]);
    }

    addLink_.connect(addButton->clicked, this, &PlexwrightForm::onAdd);
    removeLink_.connect(removeButton->clicked, this, &PlexwrightForm::onRemove);
    upLink_.connect(upButton->clicked, this, &PlexwrightForm::onMoveUp);
    downLink_.connect(downButton->clicked, this, &PlexwrightForm::onMoveDown);
    newGroupLink_.connect(newGroupButton->clicked, this, &PlexwrightForm::onNewGroup);
    openLink_.connect(openButton->clicked, this, &PlexwrightForm::onOpen);
    saveAsLink_.connect(saveAsButton->clicked, this, &PlexwrightForm::onSaveAs);
    acceptedLink_.connect(itemForm->accepted, this, &PlexwrightForm::onItemAccepted);
    cancelledLink_.connect(itemForm->cancelled, this, &PlexwrightForm::onItemDialogClosed);
    rowActivatedLink_.connect(grid->rowActivated, this, &PlexwrightForm::onRowActivated);

    struct Key {
        int32_t key;
        HandlerHolder& link;
        void (PlexwrightForm::*handler)();
    };
    const Key keys[] = {
        {VK_UP, keyUpLink_, &PlexwrightForm::onKeyUpPressed},
        {VK_DOWN, keyDownLink_, &PlexwrightForm::onKeyDownPressed},
        {VK_HOME, keyHomeLink_, &PlexwrightForm::onKeyHomePressed},
        {VK_END, keyEndLink_, &PlexwrightForm::onKeyEndPressed},
    };
    for (const Key& key : keys) {
        if (winui::Shortcut* shortcut = addShortcut(key.key, 0))
            key.link.connect(shortcut->pressed, this, key.handler);
    }
    applyTexts();
}

PlexwrightForm::~PlexwrightForm() = default;

void PlexwrightForm::applyTexts() {
    const Localization& texts = Localization::instance();
    newGroupButton->setText(texts.getString(L"NewGroup"));
    openButton->setText(texts.getString(L"Open"));
    saveAsButton->setText(texts.getString(L"SaveAs"));
}

void PlexwrightForm::setFileChooser(const FileChooser& fileChooser) {
    chooser = fileChooser;
    itemForm->chooser = fileChooser;
}

int PlexwrightForm::showMessageKey(const wchar_t* key, UINT type) {
    return showMessage(Localization::instance().getString(key), kTitle, type);
}

void PlexwrightForm::showItemForm() {
    itemForm->present();
}

void PlexwrightForm::onAdd() {
    dialogMode = AddMode;
    editedRow = -1;
    itemForm->setFilePath(std::wstring());
    itemForm->setShortName(std::wstring());
    itemForm->setColor(kDefaultEntryColor);
    showItemForm();
}

void PlexwrightForm::onRowActivated(int row) {
    if (row < 0 || row >= grid->entryCount())
        return;
    dialogMode = EditMode;
    editedRow = row;
    const GroupEntry& entry = grid->entries()[static_cast<std::size_t>(row)];
    itemForm->setFilePath(entry.path);
    itemForm->setShortName(entry.shortName);
    itemForm->setColor(entry.color);
    showItemForm();
}

void PlexwrightForm::onItemAccepted() {
    bringToFront();
    if (dialogMode == AddMode)
        grid->addEntry(itemForm->filePath(), itemForm->shortName(), itemForm->color());
    else
        grid->updateEntry(editedRow, itemForm->filePath(), itemForm->shortName(), itemForm->color());
    changed = true;
}

void PlexwrightForm::onItemDialogClosed() {
    bringToFront();
}

void PlexwrightForm::onRemove() {
    changed = true;
    grid->removeEntry(grid->selectedRow());
}

void PlexwrightForm::onMoveUp() {
    changed = true;
    grid->moveUp(grid->selectedRow());
}

void PlexwrightForm::onMoveDown() {
    changed = true;
    grid->moveDown(grid->selectedRow());
}

void PlexwrightForm::onNewGroup() {
    if (!askSaveChanges())
        return;
    grid->clear();
    currentPath.clear();
    changed = false;
}

void PlexwrightForm::onOpen() {
    if (askSaveChanges())
        chooseAndOpen();
}

void PlexwrightForm::onSaveAs() {
    saveAs();
}

bool PlexwrightForm::askSaveChanges() {
    if (!changed)
        return true;
    const int answer = showMessageKey(L"AskSaveChanges", MB_YESNOCANCEL | MB_ICONQUESTION);
    return goOnAfterSaveQuestion(answer, [this] { return currentPath.empty() ? saveAs() : saveTo(currentPath); });
}

void PlexwrightForm::chooseAndOpen() {
    std::wstring chosen;
    if (chooser && chooser(this, groupFileRequest(false, currentPath), chosen))
        openGroupFile(chosen);
}

bool PlexwrightForm::openGroupFile(const std::wstring& path) {
    if (!grid->loadGroupFile(path)) {
        showMessageKey(L"ErrorOpeningFile", MB_ICONERROR);
        return false;
    }
    currentPath = path;
    changed = false;
    return true;
}

SaveOutcome PlexwrightForm::saveAs() {
    std::wstring chosen;
    if (!chooser || !chooser(this, groupFileRequest(true, currentPath), chosen))
        return SaveOutcome::Cancelled;
    return saveTo(chosen);
}

SaveOutcome PlexwrightForm::saveTo(const std::wstring& path) {
    if (!writeGroupFile(path, grid->entries())) {
        showMessageKey(L"ErrorWritingFile", MB_ICONERROR);
        return SaveOutcome::Failed;
    }
    currentPath = path;
    changed = false;
    // Saved whole all the same: the user may split the group later.
    if (grid->entries().size() > GroupEntryList::kMaxEntries)
        showMessageKey(L"TooManyGroupMembers", MB_ICONWARNING);
    return SaveOutcome::Saved;
}

void PlexwrightForm::onClosing(bool& allow) {
    allow = askSaveChanges();
}

void PlexwrightForm::onStyleChanged() {
    winui::Form::onStyleChanged();
    if (itemForm && itemForm->style != style) {
        itemForm->inheritStyle = false;
        itemForm->setStyle(style);
    }
}

void PlexwrightForm::moveSelectionTo(int row) {
    grid->selectRow(row);
    grid->ensureRowVisible(grid->selectedRow());
}

void PlexwrightForm::onKeyUpPressed() {
    if (grid->selectedRow() != 0)
        moveSelectionTo(grid->selectedRow() - 1);
}

void PlexwrightForm::onKeyDownPressed() {
    if (grid->selectedRow() < grid->entryCount() - 1)
        moveSelectionTo(grid->selectedRow() + 1);
}

void PlexwrightForm::onKeyHomePressed() {
    if (grid->selectedRow() > 0)
        moveSelectionTo(0);
}

void PlexwrightForm::onKeyEndPressed() {
    if (grid->selectedRow() < grid->entryCount() - 1)
        moveSelectionTo(grid->entryCount() - 1);
}
