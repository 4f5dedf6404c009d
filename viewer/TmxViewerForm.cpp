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
      prompts_(std::make_unique<ViewerPrompts>()),
      documents_(DocumentSession::WindowSteps{
          [this] { documentView_->confirmTarget(); },
          [this] { documentView_->setDocument(nullptr); },
          [this] { documentView_->documentReloaded(); },
          [this](const wchar_t* key, UINT type) { return message(key, type); },
      }) {
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
    settingsForm_ = new TmxViewerSettingsForm(this, Settings::global());
    detailsForm_ = new TmxEntryDetailsForm(this);
    settingsHidden_.connect(settingsForm_->hidden, this, &TmxViewerForm::onSettingsHidden);
    updateChecker_ = std::make_unique<UpdateChecker>(*this, updateEndpoint(), Settings::global(),
                                                    Application::instance().settingsFilePath());
    postCommand(kCommandReady);
}

TmxViewerForm::~TmxViewerForm() {
    // The view lets go of the document before the document goes.
    if (documentView_)
        documentView_->setDocument(nullptr);
    KillTimer(hwnd, kLoadPollTimer);
    KillTimer(hwnd, kExportPopupTimer);
    // A job still running reads the provider: both stay until the process ends, so that no
    // pool thread ever touches freed memory. The window's handlers are gone with it.
    if (searchJob_ || exportJob_) {
        searchJob_.release();
        exportJob_.release();
        provider_.release();
    }
    // The loader is asked to stop and waited for before the results box and the provider go.
    loader_.reset();
    progressPopup_.reset();
    if (resultsBox_)
        resultsBox_->clear();
    provider_.reset();
    contextMenu_.reset();
}

void TmxViewerForm::createControls() {
    searchField_ = new winui::Edit(this, winui::EditSingleLine);
    searchButton_ = new winui::Button(this);
    languageList_ = new winui::ComboBox(this);
    resultsBox_ = new TmxViewerResultsBox(this);
    searchButton_->setDefault(true);
    searchField_->anchors = winui::AnchorLeft | winui::AnchorTop | winui::AnchorRight;
    searchButton_->anchors = winui::AnchorTop | winui::AnchorRight;
    languageList_->anchors = winui::AnchorTop | winui::AnchorRight;
    resultsBox_->anchors =
        winui::AnchorLeft | winui::AnchorTop | winui::AnchorRight | winui::AnchorBottom;
    ShowWindow(languageList_->hwnd, SW_HIDE);
    layoutControls();
    searchButton_->setText(localized(L"Search"));

    searchClicked_.connect(searchButton_->clicked, this, &TmxViewerForm::onSearchClicked);
    connectLanguageList();
    returnPressed_.connect(searchField_->returnPressed, this, &TmxViewerForm::onSearchEnter);
    fieldFocused_.connect(searchField_->focusGained, this, &TmxViewerForm::onSearchFieldFocused);
    fieldPasted_.connect(searchField_->pasted, this, &TmxViewerForm::onSearchFieldPasted);
    rowPressed_.connect(resultsBox_->rowPressed, this, &TmxViewerForm::onResultsRowPressed);
    selectionChanged_.connect(resultsBox_->selectionChanged, this,
                              &TmxViewerForm::onResultsSelectionChanged);
    contextMenuRequested_.connect(resultsBox_->contextMenuRequested, this,
                                  &TmxViewerForm::onContextMenu);

    // Hidden until a document is opened; placed by layoutControls, not by anchors.
    documentView_ = new DocumentView(this);
    documentRowChosen_.connect(documentView_->rowChosen, this, &TmxViewerForm::onDocumentRowChosen);
    documentContextMenu_.connect(documentView_->contextMenuRequested, this,
                                 &TmxViewerForm::onDocumentContextMenu);
}

void TmxViewerForm::connectLanguageList() {
    languageChanged_.connect(languageList_->selectionChanged, this, &TmxViewerForm::onLanguageChanged);
}

void TmxViewerForm::buildContextMenu() {
    contextMenu_.reset();
    for (winui::MenuItem*& item : menuItems_)
        item = nullptr;
    contextMenu_ = std::make_unique<winui::Menu>();
    const auto separator = [this] { AppendMenuW(contextMenu_->handle, MF_SEPARATOR, 0, nullptr); };
    menuItems_[kItemCopy] = contextMenu_->addItem(localized(L"Copy"));
    menuItems_[kItemCopyText] = contextMenu_->addItem(localized(L"CopyText"));
    separator();
    menuItems_[kItemViewEntry] = contextMenu_->addItem(localized(L"ViewEntry"));
    menuItems_[kItemExportResults] = contextMenu_->addItem(localized(L"ExportResults"));
    separator();
    menuItems_[kItemOpenTm] = contextMenu_->addItem(localized(L"OpenTM"));
    openDocumentItem_ = contextMenu_->addItem(localized(L"OpenDocument"));
    separator();
    menuItems_[kItemSettings] = contextMenu_->addItem(localized(L"Settings"));
    void (TmxViewerForm::*actions[kItemCount])() = {
        &TmxViewerForm::copySelection, &TmxViewerForm::copySelectionText,
        &TmxViewerForm::viewEntry,     &TmxViewerForm::exportResults,
        &TmxViewerForm::onOpenTmChosen, &TmxViewerForm::showSettings,
    };
    for (int i = 0; i < kItemCount; ++i) {
        if (menuItems_[i])
            menuClicks_[i].connect(menuItems_[i]->clicked, this, actions[i]);
    }

    // Documents: opened from the results' menu, saved or replaced from the document view's.
    if (openDocumentItem_)
        openDocumentClick_.connect(openDocumentItem_->clicked, this, &TmxViewerForm::onOpenDocumentChosen);
    documentMenu_.reset();
    documentMenu_ = std::make_unique<winui::Menu>();
    saveDocumentItem_ = documentMenu_->addItem(localized(L"SaveDocument"));
    AppendMenuW(documentMenu_->handle, MF_SEPARATOR, 0, nullptr);
    documentOpenItem_ = documentMenu_->addItem(localized(L"OpenDocument"));
    if (saveDocumentItem_)
        saveDocumentClick_.connect(saveDocumentItem_->clicked, this, &TmxViewerForm::onSaveDocumentChosen);
    if (documentOpenItem_)
        documentOpenClick_.connect(documentOpenItem_->clicked, this, &TmxViewerForm::onOpenDocumentChosen);
}

// ---- commands, timers and window events ----

void TmxViewerForm::onCommand(uint16_t code) {
    switch (code) {
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
        openRequested();
        break;
    case kCommandStartUpdateCheck:
        updateChecker_->start();
        break;
    default:
        break;
    }
}

void TmxViewerForm::onReady() {
    if (ready_)
        return;
    ready_ = true;
    postCommand(kCommandStartUpdateCheck);
    if (pendingOpen_)
        postCommand(kCommandOpenStoredPath);
}

void TmxViewerForm::onShown() {
    focusSearchField();
}

void TmxViewerForm::onActivated() {
    // The typing goes back to the document's target when it was there last.
    if (documentHadFocus_ && documentView_ && isVisible(documentView_))
        documentView_->focusTarget();
    else
        focusSearchField();
}

void TmxViewerForm::onDeactivated() {
    documentHadFocus_ = documentView_ && documentView_->containsFocus();
}

void TmxViewerForm::onClosing(bool& allow) {
    if (searchJob_ || exportJob_) {
        // The job reads the open file: the window closes once it has reported back.
        allow = false;
        closePending_ = true;
        return;
    }
    if (!documents_.settle()) {
        allow = false;
        return;
    }
    if (loader_)
        endLoad();
}

void TmxViewerForm::onClose() {
    if (resultsBox_)
        resultsBox_->clear();
    // From now on a close request closes them instead of hiding them.
    settingsForm_->closing = true;
    detailsForm_->closing = true;
    settings().set<winui::Rect>(L"mainFormRect", bounds());
}

void TmxViewerForm::onTimer(UINT_PTR timerId) {
    if (timerId == kLoadPollTimer) {
        pollLoader();
    } else if (timerId == kExportPopupTimer) {
        KillTimer(hwnd, kExportPopupTimer);
        if (exportJob_ && progressPopup_)
            ShowWindow(progressPopup_->hwnd, SW_SHOWNORMAL);
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
    for (winui::Form* window : {static_cast<winui::Form*>(settingsForm_), static_cast<winui::Form*>(detailsForm_)}) {
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
    searchField_->inheritFont = false;
    searchField_->setFont(settings().get<winui::Font>(L"font", font));
    languageList_->inheritFont = false;
    winui::Font smaller;
    smaller.assignStyled(winui::FontOnePixelSmaller, searchField_->font);
    languageList_->setFont(smaller);
    resultsBox_->inheritFont = false;
    resultsBox_->setFont(searchField_->font);
    fireHandlers(resultsBox_->contentChanged);
    winui::Style* wanted = winui::getStyle(settings().get<std::wstring>(L"UIStyle", kDefaultStyleName));
    if (wanted != style) {
        inheritStyle = false;
        setStyle(wanted);
    }
    layoutControls();
}

void TmxViewerForm::localeChanged() {
    buildContextMenu();
    if (documentView_)
        documentView_->localeChanged();
    if (searchButton_)
        searchButton_->setText(localized(L"Search"));
}

// ---- layout and the language list ----

int32_t TmxViewerForm::rowHeight() const {
    int32_t textHeight = 0;
    if (searchField_ && searchField_->hwnd) {
        if (HDC dc = GetDC(searchField_->hwnd)) {
            const HGDIOBJ old = searchField_->font.isNull()
                                    ? nullptr
                                    : SelectObject(dc, searchField_->font.handle());
            SIZE size = {};
            if (GetTextExtentPoint32W(dc, L"W", 1, &size))
                textHeight = size.cy;
            if (old)
                SelectObject(dc, old);
            ReleaseDC(searchField_->hwnd, dc);
        }
    }
    return mainRowHeight(textHeight);
}

void TmxViewerForm::layoutControls() {
    if (!searchField_ || !searchButton_ || !languageList_ || !resultsBox_)
        return;
    const winui::Rect client = clientRect();
    const int32_t h = rowHeight();
    const MainLayout layout = computeMainLayout(client.width(), client.height(), h, isVisible(languageList_));
    const auto place = [](winui::Control* control, const winui::Rect& r) {
        MoveWindow(control->hwnd, r.left, r.top, r.width(), r.height(), TRUE);
    };
    place(languageList_, layout.languageList);
    const DocumentSplit split = splitForDocument(layout.resultsBox, documentView_ && isVisible(documentView_));
    place(resultsBox_, split.results);
    if (documentView_ && isVisible(documentView_))
        place(documentView_, split.document);
    place(searchButton_, layout.searchButton);
    place(searchField_, layout.searchField);
    languageList_->setCoverHeight(h);
}

void TmxViewerForm::fillLanguageCombo(const LanguageMap& languages, const std::wstring& source) {
    unlinkHandler(languageChanged_, languageList_->selectionChanged);
    SendMessageW(languageList_->hwnd, CB_RESETCONTENT, 0, 0);
    for (const auto& language : languages)
        languageList_->addItem(language.first);
    if (!languages.empty()) {
        // A document open beside the memory is looked up in its own target language.
        const int32_t chosen = documentLanguageIndex(languages, documents_.targetLanguage());
        SendMessageW(languageList_->hwnd, CB_SETCURSEL, chosen < 0 ? 0 : chosen, 0);
    }
    updateLanguageComboVisibility();
    sourceLanguage_ = source;
    connectLanguageList();
}

// The document's target language when the open memory holds it; else the list stays as it is.
void TmxViewerForm::selectDocumentLanguage() {
    const int32_t chosen = documentLanguageIndex(provider_->languages(), documents_.targetLanguage());
    if (chosen < 0)
        return;
    unlinkHandler(languageChanged_, languageList_->selectionChanged);
    SendMessageW(languageList_->hwnd, CB_SETCURSEL, chosen, 0);
    connectLanguageList();
}

void TmxViewerForm::updateLanguageComboVisibility() {
    const LRESULT count = SendMessageW(languageList_->hwnd, CB_GETCOUNT, 0, 0);
    const bool show = readSetting(settings(), kAlwaysShowLanguageComboSetting) || count > 1;
    // The field keeps its left, top and height and ends 8 pixels before the next control.
    const winui::Rect field = searchField_->bounds();
    const winui::Rect next = show ? languageList_->bounds() : searchButton_->bounds();
    MoveWindow(searchField_->hwnd, field.left, field.top, next.left - 8 - field.left, field.height(), TRUE);
    ShowWindow(languageList_->hwnd, show ? SW_SHOW : SW_HIDE);
}

// ---- opening files ----

void TmxViewerForm::openCommandLinePath(const std::wstring& path) {
    requestOpen(OpenRequest{path, OpenRequest::kFromCommandLine});
}

// The request waits for its command; before the ready step, the ready step posts it.
void TmxViewerForm::requestOpen(OpenRequest request) {
    pendingOpen_ = std::move(request);
    if (ready_)
        postCommand(kCommandOpenStoredPath);
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
    if (!prompts_->showOpen(dialog))
        return;
    settings().set<std::wstring>(kTmxOpenFolderKey, getDirectory(dialog.fileName));
    requestOpen(OpenRequest{dialog.fileName, dialog.filterIndex});
}

void TmxViewerForm::chooseBilingualDocument() {
    winui::FileDialog dialog(this);
    dialog.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    dialog.addFilter(localized(L"XLFfiles"), L"*.xlf;*.sdlxliff", L".xlf");
    dialog.addFilter(localized(L"TTXfiles"), L"*.ttx", L".ttx");
    const int32_t index = readSetting(settings(), kDocumentOpenFilterIndexSetting);
    dialog.filterIndex = index <= 0 ? 1 : index;
    dialog.initialFolder = settings().get<std::wstring>(kDocumentOpenFolderKey, std::wstring());
    if (!prompts_->showOpen(dialog))
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
    if (documents_.open(path) == DocumentSession::OpenResult::Kept)
        return;
    TranslatableContentProvider* document = documents_.document();
    // Before the view selects the first row, which looks that row up.
    if (document && provider_)
        selectDocumentLanguage();
    documentView_->setDocument(document);
    showDocumentView(document != nullptr);
    documentHadFocus_ = document != nullptr;
    if (document)
        documentView_->focusTarget();
}

TranslatableContentProvider* TmxViewerForm::document() const {
    return documents_.document();
}

void TmxViewerForm::showDocumentView(bool show) {
    ShowWindow(documentView_->hwnd, show ? SW_SHOW : SW_HIDE);
    layoutControls();
}

void TmxViewerForm::onOpenDocumentChosen() {
    postCommand(kCommandChooseDocument);
}

void TmxViewerForm::onSaveDocumentChosen() {
    documents_.save();
}

void TmxViewerForm::onSaveKey() {
    if (documents_.document() && !busy())
        documents_.save();
}

// Choosing a row looks its source up in the open memory: the source goes into the search field,
// its white space made single spaces, and every word of it is searched for. Nothing happens
// without a memory.
void TmxViewerForm::onDocumentRowChosen(int32_t row) {
    if (!provider_ || busy() || !documents_.document())
        return;
    DocumentLookup lookup = documents_.lookupOfRow(row, searchBudgetMaximum(readMaxSearchResults()));
    if (lookup.text.empty())
        return;
    searchField_->setText(lookup.text);
    refocusDocument_ = true;
    if (!startSearch(std::make_unique<TmxSearchJob>(languageList_->selectedText(), provider_.get(), lookup.text,
                                                    std::move(lookup.words))))
        refocusDocument_ = false;
}

void TmxViewerForm::onDocumentContextMenu(winui::Point) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenu(documentMenu_->handle, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
}

void TmxViewerForm::openRequested() {
    if (!pendingOpen_)
        return;
    const OpenRequest request = std::move(*pendingOpen_);
    pendingOpen_.reset();
    open(request);
}

void TmxViewerForm::open(const OpenRequest& request) {
    if (busy())
        return;
    const PathKind kind = pathKindOf(request.path);
    if (isDocumentKind(kind)) {
        openBilingualDocument(request.path);
        return;
    }
    if (kind == PathKind::Unsupported) {
        showError(L"UnsupportedFileFormat");
        // A path from the command line that cannot be opened ends the program.
        if (request.fromCommandLine())
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return;
    }
    if (!clearForLoad(request.path))
        return;
    if (request.filterIndex >= 1)
        settings().set<int>(kTmxOpenFilterIndexSetting.name, request.filterIndex);
    focusSearchField();
    startLoading();
}

void TmxViewerForm::load(const std::wstring& path) {
    if (clearForLoad(path))
        startLoading();
}

// The memory before goes, with its results and query, before the loader opens the path.
bool TmxViewerForm::clearForLoad(const std::wstring& path) {
    if (busy())
        return false;
    searchField_->setText(L"");
    resultsBox_->clear();
    provider_.reset();
    loadPath_ = path;
    return true;
}

void TmxViewerForm::startLoading() {
    if (busy())
        return;
    loader_ = makeLoader_(loadPath_);
    if (!loader_) {
        showError(L"ErrorOpeningFile");
        return;
    }
    beginTask(true);
    loader_->start();
    pollTicks_ = 0;
    SetTimer(hwnd, kLoadPollTimer, kViewerTimerIntervalMs, nullptr);
}

void TmxViewerForm::pollLoader() {
    KillTimer(hwnd, kLoadPollTimer);
    ++pollTicks_;
    if (!loader_)
        return;
    const int progress = loader_->loadProgress();
    const bool barHidden = progressPopup_ && !isVisible(progressPopup_->bar);
    const PollStep step = decidePollStep(progressPopup_ != nullptr, barHidden, progress, pollTicks_);
    if (step.createPopup) {
        progressPopup_ = std::make_unique<winui::ProgressPopup>(this);
        progressPopup_->bar->setRange(0);
    }
    if (progressPopup_) {
        if (step.labelKey)
            progressPopup_->label->setText(localized(step.labelKey));
        if (step.bar != PollStep::Bar::Unchanged)
            ShowWindow(progressPopup_->bar->hwnd, step.bar == PollStep::Bar::Show ? SW_SHOW : SW_HIDE);
        if (step.position >= 0)
            progressPopup_->bar->setPosition(step.position);
    }
    if (step.createPopup) {
        // The owner is disabled while the load runs, so the popup keeps the activation.
        ShowWindow(progressPopup_->hwnd, SW_SHOWNORMAL);
        progressPopup_->bringToFront();
    }
    if (loader_->hasEnded())
        onLoadFinished();
    else
        SetTimer(hwnd, kLoadPollTimer, kViewerTimerIntervalMs, nullptr);
}

void TmxViewerForm::endLoad() {
    KillTimer(hwnd, kLoadPollTimer);
    endTask();
    pollTicks_ = 0;
    loader_.reset();
}

void TmxViewerForm::onLoadFinished() {
    const LoadCode code = loader_->resultCode();
    std::unique_ptr<TmxEntryProvider> opened = code == kLoaded ? loader_->takeProvider() : nullptr;
    endLoad();
    if (code == kLoaded && opened) {
        provider_ = std::move(opened);
        setText(captionForPath(loadPath_));
        fillLanguageCombo(provider_->languages(), provider_->sourceLanguage().srcLang);
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
    return loader_ || searchJob_ || exportJob_;
}

void TmxViewerForm::onSearchClicked() {
    search(searchField_->text());
}

void TmxViewerForm::onSearchEnter() {
    SetFocus(hwnd);
    search(searchField_->text());
}

void TmxViewerForm::onLanguageChanged() {
    if (!trim(searchField_->text()).empty()) {
        search(searchField_->text());
        return;
    }
    if (!busy())
        resultsBox_->clear();
    focusSearchField();
}

void TmxViewerForm::onSearchFieldPasted() {
    if (readSetting(settings(), kAutoSearchPastedTextSetting))
        search(searchField_->text());
}

void TmxViewerForm::onSearchFieldFocused() {
    const int length = GetWindowTextLengthW(searchField_->hwnd);
    SendMessageW(searchField_->hwnd, EM_SETSEL, 0, length);
}

void TmxViewerForm::search(const std::wstring& query) {
    if (busy())
        return;
    if (!provider_) {
        focusSearchField();
        return;
    }
    const std::wstring trimmed = trim(query);
    if (trimmed.empty()) {
        focusSearchField();
        MessageBeep(0);
        return;
    }
    if (!startSearch(std::make_unique<TmxSearchJob>(languageList_->selectedText(), provider_.get(), trimmed,
                                                    searchBudgetMaximum(readMaxSearchResults()))))
        focusSearchField();
}

// A job the pool refuses gives the window back at once.
bool TmxViewerForm::startSearch(std::unique_ptr<TmxSearchJob> job) {
    searchJob_ = std::move(job);
    beginTask(false);
    searchFinished_.connect(searchJob_->finished, this, &TmxViewerForm::onSearchFinished);
    if (queueJob_(searchJob_.get()))
        return true;
    searchJob_.reset();
    endTask();
    return false;
}

void TmxViewerForm::onSearchFinished() {
    if (!searchJob_)
        return;
    resultsBox_->fill(sourceLanguage_, searchJob_->targetLanguage(), searchJob_->provider(),
                     searchJob_->results(), readMaxSearchResults(), searchJob_->query());
    endTask();
    if (searchJob_->results().empty())
        focusSearchField();
    searchJob_.reset();
    if (refocusDocument_) {
        refocusDocument_ = false;
        documentView_->focusTarget();
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
    const Segment elements = resultsBox_->selectedElements();
    if (elements.empty())
        return;
    const bool showTags = readSetting(settings(), kShowTagsSetting);
    const bool showPlaceholders = readSetting(settings(), kShowPlaceHoldersSetting);
    copySegmentToClipboard(elements, showPlaceholders, showTags, hwnd);
}

void TmxViewerForm::copySelectionText() {
    const Segment elements = resultsBox_->selectedElements();
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
    if (documentView_ && documentView_->containsFocus())
        documentView_->moveSelection(-1);
    else
        moveResultsTop(-1);
}

void TmxViewerForm::onDownKey() {
    if (documentView_ && documentView_->containsFocus())
        documentView_->moveSelection(1);
    else
        moveResultsTop(1);
}

void TmxViewerForm::scrollResults(int32_t request) {
    resultsBox_->scrollVertically(request, 0);
}

void TmxViewerForm::moveResultsTop(int32_t rows) {
    resultsBox_->setTopRow(resultsBox_->topRow + rows);
}

void TmxViewerForm::onEscapePressed() {
    if (IsWindowVisible(hwnd) && !IsIconic(hwnd))
        ShowWindow(hwnd, SW_MINIMIZE);
}

void TmxViewerForm::prepareContextMenu() {
    const std::vector<SearchResult>& results = resultsBox_->results();
    const int32_t rows = static_cast<int32_t>(results.size() * 2);
    currentEntry_ = entryUnderRow(resultsBox_->pressedRow, rows,
                                 [&](int32_t i) { return results[static_cast<size_t>(i)].entryId; });
    const ContextMenuStates states = contextMenuStates(
        !resultsBox_->noSelection, readSetting(settings(), kShowTagsSetting),
        readSetting(settings(), kShowPlaceHoldersSetting), currentEntry_, rows);
    const auto enable = [this](int item, bool on) {
        if (menuItems_[item])
            EnableMenuItem(contextMenu_->handle, menuItems_[item]->id,
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
    TrackPopupMenu(contextMenu_->handle, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
}

void TmxViewerForm::viewEntry() {
    if (currentEntry_ < 0 || !provider_)
        return;
    const auto id = static_cast<uint32_t>(currentEntry_);
    const TmxEntry* entry = provider_->readEntry(id);
    if (!entry)
        return;
    detailsForm_->showEntry(*entry, provider_->entryOffset(id));
    ShowWindow(detailsForm_->hwnd, SW_SHOWNORMAL);
}

void TmxViewerForm::showSettings() {
    enableWindow(false);
    settingsForm_->showModal();
}

void TmxViewerForm::onSettingsHidden() {
    enableWindow(!busy());
    settingsForm_->centerOnScreen();
}

// ---- export ----

void TmxViewerForm::exportResults() {
    if (busy() || !provider_)
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
    if (!prompts_->showSave(dialog))
        return;
    settings().set<std::wstring>(L"tmxExportResultsInitialDir", getDirectory(dialog.fileName));
    settings().set<int>(L"tmxExportResultsFilterIndex", dialog.filterIndex);

    beginTask(true);
    exportJob_ = std::make_unique<ExportResultsJob>(dialog.fileName, languageList_->selectedText(),
                                                   resultsBox_->results(), provider_.get());
    if (progressPopup_)
        ShowWindow(progressPopup_->hwnd, SW_HIDE);
    else
        progressPopup_ = std::make_unique<winui::ProgressPopup>(this);
    progressPopup_->bar->setRange(0);
    progressPopup_->bar->setPosition(0);
    ShowWindow(progressPopup_->bar->hwnd, SW_SHOW);
    progressPopup_->label->setText(localized(L"Exporting"));
    exportProgress_.connect(exportJob_->progress, this, &TmxViewerForm::onExportProgress);
    exportFinished_.connect(exportJob_->finished, this, &TmxViewerForm::onExportFinished);
    SetTimer(hwnd, kExportPopupTimer, kViewerTimerIntervalMs, nullptr);
    // An export that cannot start has failed as surely as one that could not write.
    if (!queueJob_(exportJob_.get()))
        finishExport(true);
}

void TmxViewerForm::onExportProgress() {
    if (progressPopup_ && exportJob_ && exportJob_->percent() >= 0)
        progressPopup_->bar->setPosition(exportJob_->percent());
}

void TmxViewerForm::onExportFinished() {
    finishExport(exportJob_ && exportJob_->failed());
}

void TmxViewerForm::finishExport(bool failed) {
    KillTimer(hwnd, kExportPopupTimer);
    endTask();
    exportJob_.reset();
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
    progressPopup_.reset();
}

// After a search or an export has gone: a close refused while it ran goes through now.
void TmxViewerForm::closeIfPending() {
    if (closePending_ && !busy()) {
        closePending_ = false;
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
}

// ---- small helpers ----

int TmxViewerForm::message(const wchar_t* key, UINT type) {
    return prompts_->showMessage(*this, localized(key), kViewerCaption, type);
}

void TmxViewerForm::showError(const wchar_t* key) {
    message(key, MB_ICONERROR);
}

void TmxViewerForm::enableWindow(bool enable) {
    setEnabled(enable);
}

void TmxViewerForm::focusSearchField() {
    if (searchField_ && searchField_->hwnd)
        SetFocus(searchField_->hwnd);
}

// ---- seams ----

void TmxViewerForm::setLoaderFactory(std::function<std::unique_ptr<FileLoader>(const std::wstring&)> makeLoader) {
    makeLoader_ = std::move(makeLoader);
}

void TmxViewerForm::setJobQueue(std::function<bool(Job*)> queueJob) {
    queueJob_ = std::move(queueJob);
}

void TmxViewerForm::setPrompts(std::unique_ptr<ViewerPrompts> prompts) {
    prompts_ = std::move(prompts);
}

void TmxViewerForm::setUpdateChecker(std::unique_ptr<UpdateChecker> checker) {
    updateChecker_ = std::move(checker);
}
