#include "viewer/TmxViewerForm.h"

#include "core/app/Application.h"
#include "core/app/GlobalConstants.h"
#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/threads/JobThreadPool.h"
#include "core/util/StringUtils.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/SegmentClipboard.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/FileDialog.h"
#include "ui_toolkit/Menu.h"
#include "ui_toolkit/ProgressPopup.h"
#include "ui_toolkit/StyleLibrary.h"
#include "viewer/ContextMenuStates.h"
#include "viewer/DocumentGrid.h"
#include "viewer/DocumentLookup.h"
#include "viewer/DocumentView.h"
#include "viewer/DocumentViewLayout.h"
#include "viewer/ExportResultsJob.h"
#include "viewer/MainLayout.h"
#include "viewer/SearchSettings.h"
#include "viewer/StartupRules.h"
#include "viewer/TmxEntryDetailsForm.h"
#include "viewer/TmxSearchJob.h"
#include "viewer/TmxViewerResultsBox.h"
#include "viewer/TmxViewerSettingsForm.h"
#include "viewer/UpdateChecker.h"
#include "viewer/ViewerCommands.h"
#include "viewer/ViewerSettingKeys.h"
#include "viewer/documents/DocumentFactory.h"
#include "viewer/documents/PathKind.h"

namespace {

constexpr int32_t kClientWidth = 592;
constexpr int32_t kClientHeight = 368;
constexpr int32_t kMinimumWidth = 320;
constexpr int32_t kMinimumHeight = 200;

// Vertical scroll requests of the results grid.
constexpr int32_t kScrollPageUp = 2;
constexpr int32_t kScrollPageDown = 3;
constexpr int32_t kScrollTop = 6;
constexpr int32_t kScrollBottom = 7;

constexpr int16_t kNoModifier = 0;
constexpr int16_t kCtrl = 2;

Properties& settings() {
    return Settings::global();
}

std::wstring localized(const wchar_t* key) {
    return Localization::instance().getString(key);
}

bool isVisible(const winui::Control* control) {
    return control && control->hwnd && (GetWindowLongW(control->hwnd, GWL_STYLE) & WS_VISIBLE);
}

// The focused window when it is an edit holding a selection: Ctrl+C belongs to it then.
HWND focusedEditWithSelection() {
    const HWND focused = GetFocus();
    if (!focused)
        return nullptr;
    wchar_t className[16] = {};
    if (!GetClassNameW(focused, className, 16) || lstrcmpiW(className, L"Edit") != 0)
        return nullptr;
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(focused, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start != end ? focused : nullptr;
}

} // namespace

TmxViewerForm::TmxViewerForm()
    : winui::Form(nullptr, kClientWidth, kClientHeight, winui::FormMain | winui::FormCentered),
      prompts(std::make_unique<ViewerPrompts>()) {
    trackSetting(L"font");
    trackSetting(L"UIStyle");
    trackSetting(kAlwaysShowLanguageComboSetting.name);

    // The keyboard shortcuts, previewed for every child of the window.
    const struct {
        int32_t key;
        int16_t modifiers;
        HandlerHolder TmxViewerForm::*holder;
        void (TmxViewerForm::*action)();
    } shortcutTable[] = {
        {'C', kCtrl, &TmxViewerForm::copyKey_, &TmxViewerForm::onCopyKey},
        {VK_INSERT, kCtrl, &TmxViewerForm::copyKey_, &TmxViewerForm::onCopyKey},
        {VK_PRIOR, kNoModifier, &TmxViewerForm::pageUpKey_, &TmxViewerForm::onPageUpKey},
        {VK_NEXT, kNoModifier, &TmxViewerForm::pageDownKey_, &TmxViewerForm::onPageDownKey},
        {VK_PRIOR, kCtrl, &TmxViewerForm::topKey_, &TmxViewerForm::onTopKey},
        {VK_HOME, kCtrl, &TmxViewerForm::topKey_, &TmxViewerForm::onTopKey},
        {VK_NEXT, kCtrl, &TmxViewerForm::bottomKey_, &TmxViewerForm::onBottomKey},
        {VK_END, kCtrl, &TmxViewerForm::bottomKey_, &TmxViewerForm::onBottomKey},
        {VK_UP, kNoModifier, &TmxViewerForm::upKey_, &TmxViewerForm::onUpKey},
        {VK_DOWN, kNoModifier, &TmxViewerForm::downKey_, &TmxViewerForm::onDownKey},
        {VK_ESCAPE, kNoModifier, &TmxViewerForm::escapeKey_, &TmxViewerForm::onEscapePressed},
        {'S', kCtrl, &TmxViewerForm::saveKey_, &TmxViewerForm::onSaveKey},
    };
    for (const auto& entry : shortcutTable) {
        if (winui::Shortcut* shortcut = addShortcut(entry.key, entry.modifiers))
            (this->*entry.holder).connect(shortcut->pressed, this, entry.action);
    }
    buildContextMenu();

    setText(kViewerCaption);
    minWidth = kMinimumWidth;
    minHeight = kMinimumHeight;

    createControls();
    settingsForm = new TmxViewerSettingsForm(this, Settings::global());
    detailsForm = new TmxEntryDetailsForm(this);
    settingsHidden_.connect(settingsForm->hidden, this, &TmxViewerForm::onSettingsHidden);
    updateChecker = std::make_unique<UpdateChecker>(*this, updateEndpoint(), Settings::global(),
                                                    Application::instance().settingsFilePath());
    postCommand(kCommandReady);
}

TmxViewerForm::~TmxViewerForm() {
    // The view lets go of the document before the document goes.
    if (documentView)
        documentView->setDocument(nullptr);
    KillTimer(hwnd, kLoadPollTimer);
    KillTimer(hwnd, kExportPopupTimer);
    // A job still running reads the provider: both stay until the process ends, so that no
    // pool thread ever touches freed memory. The window's handlers are gone with it.
    if (searchJob || exportJob) {
        searchJob.release();
        exportJob.release();
        provider.release();
    }
    // The loader is asked to stop and waited for before the results box and the provider go.
    loader.reset();
    progressPopup.reset();
    if (resultsBox)
        resultsBox->clear();
    provider.reset();
    contextMenu.reset();
}

void TmxViewerForm::createControls() {
    searchField = new winui::Edit(this, winui::EditSingleLine);
    searchButton = new winui::Button(this);
    languageList = new winui::ComboBox(this);
    resultsBox = new TmxViewerResultsBox(this);
    searchButton->setDefault(true);
    searchField->anchors = winui::AnchorLeft | winui::AnchorTop | winui::AnchorRight;
    searchButton->anchors = winui::AnchorTop | winui::AnchorRight;
    languageList->anchors = winui::AnchorTop | winui::AnchorRight;
    resultsBox->anchors =
        winui::AnchorLeft | winui::AnchorTop | winui::AnchorRight | winui::AnchorBottom;
    ShowWindow(languageList->hwnd, SW_HIDE);
    layoutControls();
    searchButton->setText(localized(L"Search"));

    searchClicked_.connect(searchButton->clicked, this, &TmxViewerForm::onSearchClicked);
    connectLanguageList();
    returnPressed_.connect(searchField->returnPressed, this, &TmxViewerForm::onSearchEnter);
    fieldFocused_.connect(searchField->focusGained, this, &TmxViewerForm::onSearchFieldFocused);
    fieldPasted_.connect(searchField->pasted, this, &TmxViewerForm::onSearchFieldPasted);
    rowPressed_.connect(resultsBox->rowPressed, this, &TmxViewerForm::onResultsRowPressed);
    selectionChanged_.connect(resultsBox->selectionChanged, this,
                              &TmxViewerForm::onResultsSelectionChanged);
    contextMenuRequested_.connect(resultsBox->contextMenuRequested, this,
                                  &TmxViewerForm::onContextMenu);

    // Hidden until a document is opened; placed by layoutControls, not by anchors.
    documentView = new DocumentView(this);
    documentRowChosen_.connect(documentView->rowChosen, this, &TmxViewerForm::onDocumentRowChosen);
    documentContextMenu_.connect(documentView->contextMenuRequested, this,
                                 &TmxViewerForm::onDocumentContextMenu);
}

void TmxViewerForm::connectLanguageList() {
    languageChanged_.connect(languageList->selectionChanged, this, &TmxViewerForm::onLanguageChanged);
}

void TmxViewerForm::buildContextMenu() {
    contextMenu.reset();
    for (winui::MenuItem*& item : menuItems)
        item = nullptr;
    contextMenu = std::make_unique<winui::Menu>();
    const auto separator = [this] { AppendMenuW(contextMenu->handle, MF_SEPARATOR, 0, nullptr); };
    menuItems[kItemCopy] = contextMenu->addItem(localized(L"Copy"));
    menuItems[kItemCopyText] = contextMenu->addItem(localized(L"CopyText"));
    separator();
    menuItems[kItemViewEntry] = contextMenu->addItem(localized(L"ViewEntry"));
    menuItems[kItemExportResults] = contextMenu->addItem(localized(L"ExportResults"));
    separator();
    menuItems[kItemOpenTm] = contextMenu->addItem(localized(L"OpenTM"));
    openDocumentItem = contextMenu->addItem(localized(L"OpenDocument"));
    separator();
    menuItems[kItemSettings] = contextMenu->addItem(localized(L"Settings"));
    void (TmxViewerForm::*actions[kItemCount])() = {
        &TmxViewerForm::copySelection, &TmxViewerForm::copySelectionText,
        &TmxViewerForm::viewEntry,     &TmxViewerForm::exportResults,
        &TmxViewerForm::onOpenTmChosen, &TmxViewerForm::showSettings,
    };
    for (int i = 0; i < kItemCount; ++i) {
        if (menuItems[i])
            menuClicks_[i].connect(menuItems[i]->clicked, this, actions[i]);
    }

    // Documents: opened from the results' menu, saved or replaced from the document view's.
    if (openDocumentItem)
        openDocumentClick_.connect(openDocumentItem->clicked, this, &TmxViewerForm::onOpenDocumentChosen);
    documentMenu.reset();
    documentMenu = std::make_unique<winui::Menu>();
    saveDocumentItem = documentMenu->addItem(localized(L"SaveDocument"));
    AppendMenuW(documentMenu->handle, MF_SEPARATOR, 0, nullptr);
    documentOpenItem = documentMenu->addItem(localized(L"OpenDocument"));
    if (saveDocumentItem)
        saveDocumentClick_.connect(saveDocumentItem->clicked, this, &TmxViewerForm::onSaveDocumentChosen);
    if (documentOpenItem)
        documentOpenClick_.connect(documentOpenItem->clicked, this, &TmxViewerForm::onOpenDocumentChosen);
}

// ---- commands, timers and window events ----

void TmxViewerForm::onCommand(uint16_t code) {
    switch (code) {
    case kCommandStartLoading:
        startLoading();
        break;
    case kCommandChooseTmxFile:
        chooseTmxFile();
        break;
    case kCommandChooseDocument:
        chooseBilingualDocument();
        break;
    case kCommandReady:
        onReady();
        break;
    case kCommandOpenStoredPath:
        openStoredPath();
        break;
    case kCommandStartUpdateCheck:
        updateChecker->start();
        break;
    default:
        break;
    }
}

void TmxViewerForm::onReady() {
    if (ready)
        return;
    ready = true;
    postCommand(kCommandStartUpdateCheck);
    if (pathPending) {
        pathPending = false;
        postCommand(kCommandOpenStoredPath);
    }
}

void TmxViewerForm::onShown() {
    focusSearchField();
}

void TmxViewerForm::onActivated() {
    // The typing goes back to the document's target when it was there last.
    if (documentHadFocus_ && documentView && isVisible(documentView))
        documentView->focusTarget();
    else
        focusSearchField();
}

void TmxViewerForm::onDeactivated() {
    documentHadFocus_ = documentView && documentView->containsFocus();
}

void TmxViewerForm::onClosing(bool& allow) {
    if (searchJob || exportJob) {
        // The job reads the open file: the window closes once it has reported back.
        allow = false;
        closePending = true;
        return;
    }
    if (!settleUnsavedDocument()) {
        allow = false;
        return;
    }
    if (loader)
        endLoad();
}

void TmxViewerForm::onClose() {
    if (resultsBox)
        resultsBox->clear();
    // From now on a close request closes them instead of hiding them.
    settingsForm->closing = true;
    detailsForm->closing = true;
    settings().set<winui::Rect>(L"mainFormRect", bounds());
}

void TmxViewerForm::onTimer(UINT_PTR timerId) {
    if (timerId == kLoadPollTimer) {
        pollLoader();
    } else if (timerId == kExportPopupTimer) {
        KillTimer(hwnd, kExportPopupTimer);
        if (exportJob && progressPopup)
            ShowWindow(progressPopup->hwnd, SW_SHOWNORMAL);
    }
}

void TmxViewerForm::onMouseWheel(int32_t notches, bool& handled) {
    moveResultsTop(-notches);
    handled = true;
}

// Every size the window takes, the first one included (a start maximised), places the controls
// for the client area it has now; the split between the results and a document follows it.
void TmxViewerForm::onResized() {
    layoutControls();
}

void TmxViewerForm::onFontChanged() {
    layoutControls();
}

void TmxViewerForm::onStyleChanged() {
    winui::Form::onStyleChanged();
    for (winui::Form* window : {static_cast<winui::Form*>(settingsForm), static_cast<winui::Form*>(detailsForm)}) {
        if (window && window->style != style) {
            window->inheritStyle = false;
            window->setStyle(style);
        }
    }
}

void TmxViewerForm::onMaximized() {
    settings().set<bool>(L"mainFormMaximized", true);
}

void TmxViewerForm::onRestored() {
    settings().set<bool>(L"mainFormMaximized", false);
}

void TmxViewerForm::settingsChanged() {
    updateLanguageComboVisibility();
    searchField->inheritFont = false;
    searchField->setFont(settings().get<winui::Font>(L"font", font));
    languageList->inheritFont = false;
    winui::Font smaller;
    smaller.assignStyled(winui::FontOnePixelSmaller, searchField->font);
    languageList->setFont(smaller);
    resultsBox->inheritFont = false;
    resultsBox->setFont(searchField->font);
    fireHandlers(resultsBox->contentChanged);
    winui::Style* wanted = winui::getStyle(settings().get<std::wstring>(L"UIStyle", kDefaultStyleName));
    if (wanted != style) {
        inheritStyle = false;
        setStyle(wanted);
    }
    layoutControls();
}

void TmxViewerForm::localeChanged() {
    buildContextMenu();
    if (documentView)
        documentView->localeChanged();
    if (searchButton)
        searchButton->setText(localized(L"Search"));
}

// ---- layout and the language list ----

int32_t TmxViewerForm::rowHeight() const {
    int32_t textHeight = 0;
    if (searchField && searchField->hwnd) {
        if (HDC dc = GetDC(searchField->hwnd)) {
            const HGDIOBJ old = searchField->font.isNull()
                                    ? nullptr
                                    : SelectObject(dc, searchField->font.handle());
            SIZE size = {};
            if (GetTextExtentPoint32W(dc, L"W", 1, &size))
                textHeight = size.cy;
            if (old)
                SelectObject(dc, old);
            ReleaseDC(searchField->hwnd, dc);
        }
    }
    return mainRowHeight(textHeight);
}

void TmxViewerForm::layoutControls() {
    if (!searchField || !searchButton || !languageList || !resultsBox)
        return;
    const winui::Rect client = clientRect();
    const int32_t h = rowHeight();
    const MainLayout layout = computeMainLayout(client.width(), client.height(), h, isVisible(languageList));
    const auto place = [](winui::Control* control, const winui::Rect& r) {
        MoveWindow(control->hwnd, r.left, r.top, r.width(), r.height(), TRUE);
    };
    place(languageList, layout.languageList);
    const DocumentSplit split = splitForDocument(layout.resultsBox, documentView && isVisible(documentView));
    place(resultsBox, split.results);
    if (documentView && isVisible(documentView))
        place(documentView, split.document);
    place(searchButton, layout.searchButton);
    place(searchField, layout.searchField);
    languageList->setCoverHeight(h);
}

void TmxViewerForm::fillLanguageCombo(const LanguageMap& languages, const std::wstring& source) {
    unlinkHandler(languageChanged_, languageList->selectionChanged);
    SendMessageW(languageList->hwnd, CB_RESETCONTENT, 0, 0);
    for (const auto& language : languages)
        languageList->addItem(language.first);
    if (!languages.empty()) {
        // A document open beside the memory is looked up in its own target language.
        const int32_t chosen = documentLanguageIndex(languages, document ? document->targetLanguage() : L"");
        SendMessageW(languageList->hwnd, CB_SETCURSEL, chosen < 0 ? 0 : chosen, 0);
    }
    updateLanguageComboVisibility();
    sourceLanguage = source;
    connectLanguageList();
}

// The document's target language when the open memory holds it; else the list stays as it is.
void TmxViewerForm::selectDocumentLanguage() {
    const int32_t chosen = documentLanguageIndex(provider->languages(), document->targetLanguage());
    if (chosen < 0)
        return;
    unlinkHandler(languageChanged_, languageList->selectionChanged);
    SendMessageW(languageList->hwnd, CB_SETCURSEL, chosen, 0);
    connectLanguageList();
}

void TmxViewerForm::updateLanguageComboVisibility() {
    const LRESULT count = SendMessageW(languageList->hwnd, CB_GETCOUNT, 0, 0);
    const bool show = readSetting(settings(), kAlwaysShowLanguageComboSetting) || count > 1;
    // The field keeps its left, top and height and ends 8 pixels before the next control.
    const winui::Rect field = searchField->bounds();
    const winui::Rect next = show ? languageList->bounds() : searchButton->bounds();
    MoveWindow(searchField->hwnd, field.left, field.top, next.left - 8 - field.left, field.height(), TRUE);
    ShowWindow(languageList->hwnd, show ? SW_SHOW : SW_HIDE);
}

// ---- opening files ----

void TmxViewerForm::openCommandLinePath(const std::wstring& path) {
    openPath = path;
    openFilterIndex = -1;
    if (ready)
        postCommand(kCommandOpenStoredPath);
    else
        pathPending = true;
}

void TmxViewerForm::onOpenTmChosen() {
    postCommand(kCommandChooseTmxFile);
}

void TmxViewerForm::chooseTmxFile() {
    if (busy())
        return;
    winui::FileDialog dialog(this);
    dialog.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    dialog.addFilter(localized(L"TMXfiles"), L"*.tmx", L".tmx");
    dialog.addFilter(localized(L"PlexaFiles"), L"*.plexa", L".plexa");
    const int32_t index = readSetting(settings(), kTmxOpenFilterIndexSetting);
    dialog.filterIndex = index <= 0 ? 1 : index;
    dialog.initialFolder = settings().get<std::wstring>(
        kTmxOpenFolderKey, Application::instance().programFolder());
    if (!prompts->showOpen(dialog))
        return;
    openPath = dialog.fileName;
    openFilterIndex = dialog.filterIndex;
    settings().set<std::wstring>(kTmxOpenFolderKey, getDirectory(openPath));
    postCommand(kCommandOpenStoredPath);
}

void TmxViewerForm::chooseBilingualDocument() {
    winui::FileDialog dialog(this);
    dialog.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    dialog.addFilter(localized(L"XLFfiles"), L"*.xlf;*.sdlxliff", L".xlf");
    dialog.addFilter(localized(L"TTXfiles"), L"*.ttx", L".ttx");
    const int32_t index = readSetting(settings(), kDocumentOpenFilterIndexSetting);
    dialog.filterIndex = index <= 0 ? 1 : index;
    dialog.initialFolder = settings().get<std::wstring>(kDocumentOpenFolderKey, std::wstring());
    if (!prompts->showOpen(dialog))
        return;
    const std::wstring path = dialog.fileName;
    settings().set<std::wstring>(kDocumentOpenFolderKey, getDirectory(path));
    if (!isDocumentKind(pathKindOf(path))) {
        showError(L"UnsupportedFileFormat");
        return;
    }
    openBilingualDocument(path);
    settings().set<int>(kDocumentOpenFilterIndexSetting.name, dialog.filterIndex);
}

void TmxViewerForm::openBilingualDocument(const std::wstring& path) {
    if (!settleUnsavedDocument())
        return;
    documentView->setDocument(nullptr);
    document.reset();
    std::unique_ptr<TranslatableContentProvider> opened = openTranslatableDocument(path);
    if (opened && opened->failed()) {
        opened.reset();
        showError(L"ErrorOpeningFile");
    }
    document = std::move(opened);
    // Before the view selects the first row, which looks that row up.
    if (document && provider)
        selectDocumentLanguage();
    documentView->setDocument(document.get());
    showDocumentView(document != nullptr);
    documentHadFocus_ = document != nullptr;
    if (document)
        documentView->focusTarget();
}

SaveOutcome TmxViewerForm::saveDocument() {
    if (!document)
        return SaveOutcome::Cancelled;
    documentView->confirmTarget();
    const bool saved = document->save();
    // A save reads the document again: every row is shown anew.
    documentView->documentReloaded();
    if (!saved) {
        showError(L"ErrorWritingFile");
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

bool TmxViewerForm::settleUnsavedDocument() {
    if (!document)
        return true;
    // Text typed into the field counts as an edit.
    documentView->confirmTarget();
    if (!documentView->hasUnsavedEdits())
        return true;
    const int answer = prompts->showMessage(*this, localized(L"AskSaveDocument"), kViewerCaption,
                                            MB_YESNOCANCEL | MB_ICONQUESTION);
    return goOnAfterSaveQuestion(answer, [this] { return saveDocument(); });
}

void TmxViewerForm::showDocumentView(bool show) {
    ShowWindow(documentView->hwnd, show ? SW_SHOW : SW_HIDE);
    layoutControls();
}

void TmxViewerForm::onOpenDocumentChosen() {
    postCommand(kCommandChooseDocument);
}

void TmxViewerForm::onSaveDocumentChosen() {
    saveDocument();
}

void TmxViewerForm::onSaveKey() {
    if (document && !busy())
        saveDocument();
}

// Choosing a row looks its source up in the open memory: the source goes into the search field,
// its white space made single spaces, and every word of it is searched for. Nothing happens
// without a memory.
void TmxViewerForm::onDocumentRowChosen(int32_t row) {
    if (!provider || busy() || !document)
        return;
    Segment source;
    if (!document->getSource(row, source))
        return;
    DocumentLookup lookup = lookupOfSource(source, searchBudgetMaximum(readMaxSearchResults()));
    if (lookup.text.empty())
        return;
    searchField->setText(lookup.text);
    refocusDocument_ = true;
    if (!startSearch(std::make_unique<TmxSearchJob>(languageList->selectedText(), provider.get(), lookup.text,
                                                    std::move(lookup.words))))
        refocusDocument_ = false;
}

void TmxViewerForm::onDocumentContextMenu(winui::Point) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenu(documentMenu->handle, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
}

void TmxViewerForm::openStoredPath() {
    if (busy())
        return;
    const PathKind kind = pathKindOf(openPath);
    if (isDocumentKind(kind)) {
        openBilingualDocument(openPath);
        return;
    }
    if (kind == PathKind::Unsupported) {
        showError(L"UnsupportedFileFormat");
        // A path from the command line that cannot be opened ends the program.
        if (openFilterIndex < 0)
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return;
    }
    load(openPath);
    if (openFilterIndex >= 1)
        settings().set<int>(kTmxOpenFilterIndexSetting.name, openFilterIndex);
    focusSearchField();
}

void TmxViewerForm::load(const std::wstring& path) {
    if (busy())
        return;
    searchField->setText(L"");
    resultsBox->clear();
    provider.reset();
    loadPath = path;
    postCommand(kCommandStartLoading);
}

void TmxViewerForm::startLoading() {
    if (busy())
        return;
    loader = makeLoader(loadPath);
    if (!loader) {
        showError(L"ErrorOpeningFile");
        return;
    }
    beginTask(true);
    loader->start();
    pollTicks = 0;
    SetTimer(hwnd, kLoadPollTimer, kViewerTimerIntervalMs, nullptr);
}

void TmxViewerForm::pollLoader() {
    KillTimer(hwnd, kLoadPollTimer);
    ++pollTicks;
    if (!loader)
        return;
    const int progress = loader->loadProgress();
    const bool barHidden = progressPopup && !isVisible(progressPopup->bar);
    const PollStep step = decidePollStep(progressPopup != nullptr, barHidden, progress, pollTicks);
    if (step.createPopup) {
        progressPopup = std::make_unique<winui::ProgressPopup>(this);
        progressPopup->bar->setRange(0);
    }
    if (progressPopup) {
        if (step.labelKey)
            progressPopup->label->setText(localized(step.labelKey));
        if (step.bar != PollStep::Bar::Unchanged)
            ShowWindow(progressPopup->bar->hwnd, step.bar == PollStep::Bar::Show ? SW_SHOW : SW_HIDE);
        if (step.position >= 0)
            progressPopup->bar->setPosition(step.position);
    }
    if (step.createPopup) {
        // The owner is disabled while the load runs, so the popup keeps the activation.
        ShowWindow(progressPopup->hwnd, SW_SHOWNORMAL);
        progressPopup->bringToFront();
    }
    if (loader->hasEnded())
        onLoadFinished();
    else
        SetTimer(hwnd, kLoadPollTimer, kViewerTimerIntervalMs, nullptr);
}

void TmxViewerForm::endLoad() {
    KillTimer(hwnd, kLoadPollTimer);
    endTask();
    pollTicks = 0;
    loader.reset();
}

void TmxViewerForm::onLoadFinished() {
    const LoadCode code = loader->resultCode();
    std::unique_ptr<TmxEntryProvider> opened = code == kLoaded ? loader->takeProvider() : nullptr;
    endLoad();
    if (code == kLoaded && opened) {
        provider = std::move(opened);
        setText(captionForPath(loadPath));
        fillLanguageCombo(provider->languages(), provider->sourceLanguage().srcLang);
        if (IsWindowVisible(hwnd))
            focusSearchField();
        return;
    }
    // Nothing is open now: the previous file's languages go with it.
    fillLanguageCombo(LanguageMap(), std::wstring());
    showError(code == kLoadIndexOfOtherFormat ? L"IncompatibleIndexFile" : L"ErrorOpeningFile");
}

// ---- search ----

bool TmxViewerForm::busy() const {
    return loader || searchJob || exportJob;
}

void TmxViewerForm::onSearchClicked() {
    search(searchField->text());
}

void TmxViewerForm::onSearchEnter() {
    SetFocus(hwnd);
    search(searchField->text());
}

void TmxViewerForm::onLanguageChanged() {
    if (!trim(searchField->text()).empty()) {
        search(searchField->text());
        return;
    }
    if (!busy())
        resultsBox->clear();
    focusSearchField();
}

void TmxViewerForm::onSearchFieldPasted() {
    if (readSetting(settings(), kAutoSearchPastedTextSetting))
        search(searchField->text());
}

void TmxViewerForm::onSearchFieldFocused() {
    const int length = GetWindowTextLengthW(searchField->hwnd);
    SendMessageW(searchField->hwnd, EM_SETSEL, 0, length);
}

void TmxViewerForm::search(const std::wstring& query) {
    if (busy())
        return;
    if (!provider) {
        focusSearchField();
        return;
    }
    const std::wstring trimmed = trim(query);
    if (trimmed.empty()) {
        focusSearchField();
        MessageBeep(0);
        return;
    }
    if (!startSearch(std::make_unique<TmxSearchJob>(languageList->selectedText(), provider.get(), trimmed,
                                                    searchBudgetMaximum(readMaxSearchResults()))))
        focusSearchField();
}

// A job the pool refuses gives the window back at once.
bool TmxViewerForm::startSearch(std::unique_ptr<TmxSearchJob> job) {
    searchJob = std::move(job);
    beginTask(false);
    searchFinished_.connect(searchJob->finished, this, &TmxViewerForm::onSearchFinished);
    if (queueJob(searchJob.get()))
        return true;
    searchJob.reset();
    endTask();
    return false;
}

void TmxViewerForm::onSearchFinished() {
    if (!searchJob)
        return;
    resultsBox->fill(sourceLanguage, searchJob->targetLanguage(), searchJob->provider(),
                     searchJob->results(), readMaxSearchResults(), searchJob->query());
    endTask();
    if (searchJob->results().empty())
        focusSearchField();
    searchJob.reset();
    if (refocusDocument_) {
        refocusDocument_ = false;
        documentView->focusTarget();
    }
    closeIfPending();
}

// ---- results: selection, copying, keys and the context menu ----

void TmxViewerForm::onResultsRowPressed() {
    SetFocus(hwnd);
}

void TmxViewerForm::onResultsSelectionChanged() {
    if (readSetting(settings(), kInstantCopyTextSetting))
        copySelection();
}

void TmxViewerForm::onCopyKey() {
    if (const HWND edit = focusedEditWithSelection()) {
        SendMessageW(edit, WM_COPY, 0, 0);
        return;
    }
    copySelection();
}

void TmxViewerForm::copySelection() {
    const Segment elements = resultsBox->selectedElements();
    if (elements.empty())
        return;
    const bool showTags = readSetting(settings(), kShowTagsSetting);
    const bool showPlaceholders = readSetting(settings(), kShowPlaceHoldersSetting);
    copySegmentToClipboard(elements, showPlaceholders, showTags, hwnd);
}

void TmxViewerForm::copySelectionText() {
    const Segment elements = resultsBox->selectedElements();
    if (elements.empty())
        return;
    putClipboardText(renderSegmentText(elements, false, false), hwnd);
}

void TmxViewerForm::onPageUpKey() {
    scrollResults(kScrollPageUp);
}

void TmxViewerForm::onPageDownKey() {
    scrollResults(kScrollPageDown);
}

void TmxViewerForm::onTopKey() {
    scrollResults(kScrollTop);
}

void TmxViewerForm::onBottomKey() {
    scrollResults(kScrollBottom);
}

void TmxViewerForm::onUpKey() {
    if (documentView && documentView->containsFocus())
        documentView->moveSelection(-1);
    else
        moveResultsTop(-1);
}

void TmxViewerForm::onDownKey() {
    if (documentView && documentView->containsFocus())
        documentView->moveSelection(1);
    else
        moveResultsTop(1);
}

void TmxViewerForm::scrollResults(int32_t request) {
    resultsBox->scrollVertically(request, 0);
}

void TmxViewerForm::moveResultsTop(int32_t rows) {
    resultsBox->setTopRow(resultsBox->topRow + rows);
}

void TmxViewerForm::onEscapePressed() {
    if (IsWindowVisible(hwnd) && !IsIconic(hwnd))
        ShowWindow(hwnd, SW_MINIMIZE);
}

void TmxViewerForm::prepareContextMenu() {
    const std::vector<SearchResult>& results = resultsBox->results();
    const int32_t rows = static_cast<int32_t>(results.size() * 2);
    currentEntry = entryUnderRow(resultsBox->pressedRow, rows,
                                 [&](int32_t i) { return results[static_cast<size_t>(i)].entryId; });
    const ContextMenuStates states = contextMenuStates(
        !resultsBox->noSelection, readSetting(settings(), kShowTagsSetting),
        readSetting(settings(), kShowPlaceHoldersSetting), currentEntry, rows);
    const auto enable = [this](int item, bool on) {
        if (menuItems[item])
            EnableMenuItem(contextMenu->handle, menuItems[item]->id,
                           MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(kItemCopy, states.copy);
    enable(kItemCopyText, states.copyText);
    enable(kItemViewEntry, states.viewEntry);
    enable(kItemExportResults, states.exportResults);
    enable(kItemOpenTm, true);
    enable(kItemSettings, true);
}

void TmxViewerForm::onContextMenu(winui::Point) {
    prepareContextMenu();
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenu(contextMenu->handle, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
}

void TmxViewerForm::viewEntry() {
    if (currentEntry < 0 || !provider)
        return;
    const auto id = static_cast<uint32_t>(currentEntry);
    const TmxEntry* entry = provider->readEntry(id);
    if (!entry)
        return;
    detailsForm->showEntry(*entry, provider->entryOffset(id));
    ShowWindow(detailsForm->hwnd, SW_SHOWNORMAL);
}

void TmxViewerForm::showSettings() {
    enableWindow(false);
    settingsForm->showModal();
}

void TmxViewerForm::onSettingsHidden() {
    enableWindow(!busy());
    settingsForm->centerOnScreen();
}

// ---- export ----

void TmxViewerForm::exportResults() {
    if (busy() || !provider)
        return;
    winui::FileDialog dialog(this);
    dialog.flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    dialog.addFilter(localized(L"TMXfiles"), L"*.tmx", L".tmx");
    dialog.addFilter(localized(L"TXTfiles"), L"*.txt", L".txt");
    const int32_t index = settings().get<int>(L"tmxExportResultsFilterIndex", 1);
    dialog.filterIndex = index < 1 ? 1 : index;
    const std::wstring openFolder = settings().get<std::wstring>(
        L"tmxOpenFileInitialDir", Application::instance().programFolder());
    dialog.initialFolder = settings().get<std::wstring>(L"tmxExportResultsInitialDir", openFolder);
    if (!prompts->showSave(dialog))
        return;
    settings().set<std::wstring>(L"tmxExportResultsInitialDir", getDirectory(dialog.fileName));
    settings().set<int>(L"tmxExportResultsFilterIndex", dialog.filterIndex);

    beginTask(true);
    exportJob = std::make_unique<ExportResultsJob>(dialog.fileName, languageList->selectedText(),
                                                   resultsBox->results(), provider.get());
    if (progressPopup)
        ShowWindow(progressPopup->hwnd, SW_HIDE);
    else
        progressPopup = std::make_unique<winui::ProgressPopup>(this);
    progressPopup->bar->setRange(0);
    progressPopup->bar->setPosition(0);
    ShowWindow(progressPopup->bar->hwnd, SW_SHOW);
    progressPopup->label->setText(localized(L"Exporting"));
    exportProgress_.connect(exportJob->progress, this, &TmxViewerForm::onExportProgress);
    exportFinished_.connect(exportJob->finished, this, &TmxViewerForm::onExportFinished);
    SetTimer(hwnd, kExportPopupTimer, kViewerTimerIntervalMs, nullptr);
    // An export that cannot start has failed as surely as one that could not write.
    if (!queueJob(exportJob.get()))
        finishExport(true);
}

void TmxViewerForm::onExportProgress() {
    if (progressPopup && exportJob && exportJob->percent() >= 0)
        progressPopup->bar->setPosition(exportJob->percent());
}

void TmxViewerForm::onExportFinished() {
    finishExport(exportJob && exportJob->failed());
}

void TmxViewerForm::finishExport(bool failed) {
    KillTimer(hwnd, kExportPopupTimer);
    endTask();
    exportJob.reset();
    if (failed)
        showError(L"ErrorWritingFile");
    closeIfPending();
}

// ---- the life of a load, a search or an export ----

// The window is disabled from the start of a task to its report. A load and an export also
// lower the GUI thread's priority, so that the worker gets the processor.
void TmxViewerForm::beginTask(bool lowerPriority) {
    enableWindow(false);
    if (lowerPriority)
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
}

// The task has reported back, or did not start. The window is enabled before the task's popup
// goes, so that the activation returns to it.
void TmxViewerForm::endTask() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    enableWindow(true);
    progressPopup.reset();
}

// After a search or an export has gone: a close refused while it ran goes through now.
void TmxViewerForm::closeIfPending() {
    if (closePending && !busy()) {
        closePending = false;
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
}

// ---- small helpers ----

void TmxViewerForm::showError(const wchar_t* key) {
    prompts->showMessage(*this, localized(key), kViewerCaption, MB_ICONERROR);
}

void TmxViewerForm::enableWindow(bool enable) {
    setEnabled(enable);
}

void TmxViewerForm::focusSearchField() {
    if (searchField && searchField->hwnd)
        SetFocus(searchField->hwnd);
}
