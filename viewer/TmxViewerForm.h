#pragma once

#include "core/events/HandlerHolder.h"
#include "core/l10n/LocaleListener.h"
#include "core/settings/SettingsConsumer.h"
#include "core/threads/JobThreadPool.h"
#include "tmx_engine/TmxEntryProvider.h"
#include "ui_toolkit/Form.h"
#include "viewer/DocumentSession.h"
#include "viewer/LoadPoll.h"
#include "viewer/OpenRequest.h"
#include "viewer/ViewerPrompts.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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
// owner when it closes: a load, search or export asked for while one runs is dropped. A
// translator's document open beside the memory is its DocumentSession's: the window shows it and
// hands the session what the user asks of it.
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
    // the command line. The window shows the document the session holds in `documentView`,
    // below the results; the open memory and its results stay. Unsaved edits of the document
    // before are asked about first.
    void chooseBilingualDocument();
    void openBilingualDocument(const std::wstring& path);
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

    // Seams: the loader for a path, the job pool that runs a search or an export, the modal
    // questions and the update check; tests replace them.
    void setLoaderFactory(std::function<std::unique_ptr<FileLoader>(const std::wstring&)> makeLoader);
    void setJobQueue(std::function<bool(Job*)> queueJob);
    void setPrompts(std::unique_ptr<ViewerPrompts> prompts);
    void setUpdateChecker(std::unique_ptr<UpdateChecker> checker);
    UpdateChecker& updateChecker() const { return *updateChecker_; }

    // What the window holds, for those who look at it from outside.
    winui::Edit* searchField() const { return searchField_; }
    winui::Button* searchButton() const { return searchButton_; }
    winui::ComboBox* languageList() const { return languageList_; }
    TmxViewerResultsBox* resultsBox() const { return resultsBox_; }
    DocumentView* documentView() const { return documentView_; }
    TmxViewerSettingsForm* settingsForm() const { return settingsForm_; }
    TmxEntryDetailsForm* detailsForm() const { return detailsForm_; }
    winui::ProgressPopup* progressPopup() const { return progressPopup_.get(); }
    const winui::Menu* contextMenu() const { return contextMenu_.get(); }
    winui::MenuItem* menuItem(MenuItemIndex item) const { return menuItems_[item]; }
    // The open memory and its source language; null and empty while none is open.
    TmxEntryProvider* provider() const { return provider_.get(); }
    const std::wstring& sourceLanguage() const { return sourceLanguage_; }
    // The open document; null while none is open.
    TranslatableContentProvider* document() const;
    const FileLoader* loader() const { return loader_.get(); }
    const TmxSearchJob* searchJob() const { return searchJob_.get(); }
    const ExportResultsJob* exportJob() const { return exportJob_.get(); }
    // The entry of the result under the last context-menu click; -1 for none.
    int32_t currentEntry() const { return currentEntry_; }
    // Set once by the ready step, on the first turn of the message loop.
    bool isReady() const { return ready_; }
    // An open was asked for and has not been handled yet (before the ready step, it waits).
    bool openPending() const { return pendingOpen_.has_value(); }
    // A close was asked for while a search or an export ran; the window closes when it ends.
    bool closePending() const { return closePending_; }

private:
    void createControls();
    void buildContextMenu();
    void connectLanguageList();
    void selectDocumentLanguage();
    int message(const wchar_t* key, UINT type);
    void showError(const wchar_t* key);
    void enableWindow(bool enable);
    void focusSearchField();

    void onReady();
    void chooseTmxFile();
    void requestOpen(OpenRequest request);
    void openRequested();
    void open(const OpenRequest& request);
    bool clearForLoad(const std::wstring& path);
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

    std::function<std::unique_ptr<FileLoader>(const std::wstring&)> makeLoader_ = makeThreadFileLoader;
    std::function<bool(Job*)> queueJob_ = startJob;
    std::unique_ptr<ViewerPrompts> prompts_;

    winui::Edit* searchField_ = nullptr;
    winui::Button* searchButton_ = nullptr;
    winui::ComboBox* languageList_ = nullptr;
    std::wstring sourceLanguage_;
    // The path the loader opens; the caption is made of it once the load succeeded.
    std::wstring loadPath_;
    // Waits for the command that opens it (and, before the ready step, for the window).
    std::optional<OpenRequest> pendingOpen_;
    std::unique_ptr<TmxEntryProvider> provider_;
    DocumentSession documents_;
    TmxViewerResultsBox* resultsBox_ = nullptr;
    std::unique_ptr<FileLoader> loader_;
    std::unique_ptr<winui::ProgressPopup> progressPopup_;
    uint32_t pollTicks_ = 0;
    std::unique_ptr<TmxSearchJob> searchJob_;
    std::unique_ptr<ExportResultsJob> exportJob_;
    std::unique_ptr<winui::Menu> contextMenu_;
    // Created hidden with this window as owner; children, so they go with it.
    TmxViewerSettingsForm* settingsForm_ = nullptr;
    TmxEntryDetailsForm* detailsForm_ = nullptr;
    // Asks the build's endpoint once the window is ready.
    std::unique_ptr<UpdateChecker> updateChecker_;
    winui::MenuItem* menuItems_[kItemCount] = {};
    // The results' menu item that opens a document, and the document view's own menu.
    winui::MenuItem* openDocumentItem_ = nullptr;
    std::unique_ptr<winui::Menu> documentMenu_;
    winui::MenuItem* saveDocumentItem_ = nullptr;
    winui::MenuItem* documentOpenItem_ = nullptr;
    // Shown while a document is open; hidden otherwise.
    DocumentView* documentView_ = nullptr;
    int32_t currentEntry_ = -1;
    bool ready_ = false;
    bool closePending_ = false;

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
