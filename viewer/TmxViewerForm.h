#pragma once

#include "core/events/HandlerHolder.h"
#include "core/l10n/LocaleListener.h"
#include "core/settings/SettingsConsumer.h"
#include "core/threads/JobThreadPool.h"
#include "tmx_engine/TmxEntryProvider.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/SaveChanges.h"
#include "viewer/LoadPoll.h"
#include "viewer/ViewerPrompts.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace winui {
class Button;
class ComboBox;
class Edit;
class Menu;
class MenuItem;
class ProgressPopup;
struct Point;
} // namespace winui

class DocumentView;
class ExportResultsJob;
class TmxEntryDetailsForm;
class TmxSearchJob;
class TranslatableContentProvider;
class TmxViewerResultsBox;
class TmxViewerSettingsForm;
class UpdateChecker;

// The main window of the viewer: a search field, the "Search" button, the target-language list
// and the results box. It owns the open file or group and every background task: the loader
// (polled by timer 100), the search job and the export job. While one of them runs the window
// is disabled, and each start is also guarded by state, since a message box re-enables its
// owner when it closes: a load, search or export asked for while one runs is dropped.
class TmxViewerForm : public winui::Form, public SettingsConsumer, public LocaleListener {
public:
    // The six items of the results' context menu, in menu order.
    enum MenuItemIndex { kItemCopy, kItemCopyText, kItemViewEntry, kItemExportResults, kItemOpenTm,
                         kItemSettings, kItemCount };

    TmxViewerForm();
    ~TmxViewerForm() override;

    void onCommand(uint16_t code) override;
    void onShown() override;
    void onActivated() override;
    void onDeactivated() override;
    void onClosing(bool& allow) override;
    void onClose() override;
    void onTimer(UINT_PTR timerId) override;
    void onMouseWheel(int32_t notches, bool& handled) override;
    void onResized() override;
    void onFontChanged() override;
    void onStyleChanged() override;
    void onMaximized() override;
    void onRestored() override;
    void settingsChanged() override;
    void localeChanged() override;

    // Hands a path over to be opened once the window is ready (or at once when it is).
    void openCommandLinePath(const std::wstring& path);
    void load(const std::wstring& path);
    // A translator's bilingual document (XLIFF, TTX), asked for with command 0xFFE1 or named on
    // the command line. The window keeps it open as `document` and shows its rows in
    // `documentView`, below the results; the open memory and its results stay. Unsaved edits of
    // the document before are asked about first.
    void chooseBilingualDocument();
    void openBilingualDocument(const std::wstring& path);
    // Writes the document's edits into it (Ctrl+S, the view's menu); a failure says
    // "ErrorWritingFile" and keeps the edits.
    SaveOutcome saveDocument();
    // Asks whether to save the document's unsaved edits; true when the caller may go on (saved,
    // or let go), false when the user cancelled or the save failed.
    bool settleUnsavedDocument();
    void search(const std::wstring& query);
    void copySelection();
    void copySelectionText();
    void viewEntry();
    void exportResults();
    void showSettings();
    void layoutControls();
    void fillLanguageCombo(const LanguageMap& languages, const std::wstring& source);
    void updateLanguageComboVisibility();

    // The context menu's item states for the row under a click (the grid's pressed row), as
    // onContextMenu sets them before the menu opens.
    void prepareContextMenu();

    // True while a load, a search or an export runs.
    bool busy() const;

    // Seams: the loader for a path, the job pool that runs a search or an export, and the modal
    // questions; tests replace them.
    std::function<std::unique_ptr<FileLoader>(const std::wstring&)> makeLoader = makeThreadFileLoader;
    std::function<bool(Job*)> queueJob = startJob;
    std::unique_ptr<ViewerPrompts> prompts;

    winui::Edit* searchField = nullptr;
    winui::Button* searchButton = nullptr;
    winui::ComboBox* languageList = nullptr;
    std::wstring sourceLanguage;
    std::wstring loadPath;
    std::wstring openPath;
    int32_t openFilterIndex = -1;
    std::unique_ptr<TmxEntryProvider> provider;
    std::unique_ptr<TranslatableContentProvider> document;
    TmxViewerResultsBox* resultsBox = nullptr;
    std::unique_ptr<FileLoader> loader;
    std::unique_ptr<winui::ProgressPopup> progressPopup;
    uint32_t pollTicks = 0;
    std::unique_ptr<TmxSearchJob> searchJob;
    std::unique_ptr<ExportResultsJob> exportJob;
    std::unique_ptr<winui::Menu> contextMenu;
    // Created hidden with this window as owner; children, so they go with it.
    TmxViewerSettingsForm* settingsForm = nullptr;
    TmxEntryDetailsForm* detailsForm = nullptr;
    // Asks the build's endpoint once the window is ready; tests aim it elsewhere.
    std::unique_ptr<UpdateChecker> updateChecker;
    winui::MenuItem* menuItems[kItemCount] = {};
    // The results' menu item that opens a document, and the document view's own menu.
    winui::MenuItem* openDocumentItem = nullptr;
    std::unique_ptr<winui::Menu> documentMenu;
    winui::MenuItem* saveDocumentItem = nullptr;
    winui::MenuItem* documentOpenItem = nullptr;
    // Shown while a document is open; hidden otherwise.
    DocumentView* documentView = nullptr;
    int32_t currentEntry = -1;
    bool pathPending = false;
    bool ready = false;
    // A close asked for while a search or an export ran; the window closes when it ends.
    bool closePending = false;

private:
    void createControls();
    void buildContextMenu();
    void connectLanguageList();
    void selectDocumentLanguage();
    void showError(const wchar_t* key);
    void enableWindow(bool enable);
    void focusSearchField();

    void onReady();
    void chooseTmxFile();
    void openStoredPath();
    void startLoading();
    void pollLoader();
    void onLoadFinished();
    void endLoad();

    bool startSearch(std::unique_ptr<TmxSearchJob> job);
    void onSearchClicked();
    void onSearchEnter();
    void onLanguageChanged();
    void onSearchFieldPasted();
    void onSearchFieldFocused();
    void onSearchFinished();
    void onResultsRowPressed();
    void onResultsSelectionChanged();
    void onContextMenu(winui::Point point);
    void onCopyKey();
    void onPageUpKey();
    void onPageDownKey();
    void onTopKey();
    void onBottomKey();
    void onUpKey();
    void onDownKey();
    void onEscapePressed();
    void onOpenTmChosen();
    void onExportProgress();
    void onExportFinished();
    void finishExport(bool failed);
    void onSettingsHidden();
    void onOpenDocumentChosen();
    void onSaveDocumentChosen();
    void onSaveKey();
    void onDocumentRowChosen(int32_t row);
    void onDocumentContextMenu(winui::Point point);
    void showDocumentView(bool show);
    void scrollResults(int32_t request);
    void moveResultsTop(int32_t rows);
    void beginTask(bool lowerPriority);
    void endTask();
    void closeIfPending();

    int32_t rowHeight() const;

    HandlerHolder searchClicked_;
    HandlerHolder languageChanged_;
    HandlerHolder returnPressed_;
    HandlerHolder fieldFocused_;
    HandlerHolder fieldPasted_;
    HandlerHolder rowPressed_;
    HandlerHolder selectionChanged_;
    HandlerHolder contextMenuRequested_;
    HandlerHolder searchFinished_;
    HandlerHolder exportProgress_;
    HandlerHolder exportFinished_;
    HandlerHolder menuClicks_[kItemCount];
    HandlerHolder copyKey_;
    HandlerHolder pageUpKey_;
    HandlerHolder pageDownKey_;
    HandlerHolder topKey_;
    HandlerHolder bottomKey_;
    HandlerHolder upKey_;
    HandlerHolder downKey_;
    HandlerHolder escapeKey_;
    HandlerHolder settingsHidden_;
    HandlerHolder openDocumentClick_;
    HandlerHolder saveDocumentClick_;
    HandlerHolder documentOpenClick_;
    HandlerHolder saveKey_;
    HandlerHolder documentRowChosen_;
    HandlerHolder documentContextMenu_;
    // A search started by choosing a document row gives the focus back to the row's target.
    bool refocusDocument_ = false;
    // The focus was in the document view when the window last lost the activation.
    bool documentHadFocus_ = false;
};
