#include "viewer/TmxViewerForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/tests/DialogScript.h"
#include "viewer/DocumentGrid.h"
#include "viewer/DocumentView.h"
#include "viewer/DocumentViewLayout.h"
#include "viewer/TmxViewerResultsBox.h"
#include "viewer/ViewerCommands.h"
#include "viewer/documents/BilingualDocument.h"
#include "viewer/documents/DocumentFactory.h"
#include "viewer/documents/TranslatableContentProvider.h"
#include "viewer/documents/XliffContentProvider.h"
#include "viewer/tests/DocumentViewTestSupport.h"
#include "viewer/tests/LookupTestSupport.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using documenttest::pressKey;
using documenttest::settle;
using documenttest::typeText;
using winuitest::DialogScript;

// The corpus document with the target of its unit id="5" (the fourth row) taken out, so that
// the row has no target: the bytes of the copy and where that unit lies in them.
struct PartialCopy {
    std::string bytes;
    size_t unitStart = 0;
    size_t unitEnd = 0;
};

PartialCopy makePartialCopy(const std::wstring& corpus, const std::wstring& copy) {
    PartialCopy result;
    std::string bytes = testfiles::readText(corpus);
    const size_t id = bytes.find("id=\"5\"");
    const size_t unitStart = bytes.rfind("<trans-unit", id);
    const size_t targetStart = bytes.find("<target", id);
    const size_t targetEnd = bytes.find("</target>", targetStart);
    if (id == std::string::npos || unitStart == std::string::npos || targetEnd == std::string::npos)
        return result;
    bytes.erase(targetStart, targetEnd + 9 - targetStart);
    result.unitStart = unitStart;
    result.unitEnd = bytes.find("</trans-unit>", unitStart) + 13;
    result.bytes = bytes;
    testfiles::writeText(copy, bytes);
    return result;
}

std::wstring plainTarget(TranslatableContentProvider& document, int32_t row) {
    Segment target;
    document.getTarget(row, target);
    return renderSegmentText(target, false, false);
}

// Answers the next popup menu with keys: a menu runs a loop of its own, so a thread timer that
// it serves presses them once the menu shows, or closes the menu after some seconds so that no
// test can hang in it.
class MenuKeys {
public:
    explicit MenuKeys(std::vector<WORD> keys) {
        keys_ = std::move(keys);
        ticks_ = 0;
        answered_ = false;
        timer_ = SetTimer(nullptr, 0, 50, &MenuKeys::onTimer);
    }
    ~MenuKeys() { KillTimer(nullptr, timer_); }
    MenuKeys(const MenuKeys&) = delete;
    MenuKeys& operator=(const MenuKeys&) = delete;

private:
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        ++ticks_;
        const HWND menu = FindWindowW(L"#32768", nullptr);
        if (!answered_ && menu && IsWindowVisible(menu)) {
            answered_ = true;
            realinput::pressKeys(keys_);
        } else if (!answered_ && ticks_ > 100) {
            answered_ = true;
            realinput::pressKeys({VK_ESCAPE});
        }
    }

    static inline std::vector<WORD> keys_;
    static inline int ticks_ = 0;
    static inline bool answered_ = false;
    UINT_PTR timer_ = 0;
};

class DocumentViewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSettings();
        Settings::global().set<bool>(L"disableUpdateChecks", true);
        Localization::instance().setLanguage(L"English");
        corpus = documenttest::corpusDocument(L"diffutils-en-ru-partial.xlf");
        if (corpus.empty())
            GTEST_SKIP() << "../shared/corpus is not beside the project: the real documents are missing";
        dialogWatch = std::make_unique<winuitest::UnexpectedDialogWatch>();
        openForm();
    }
    void TearDown() override {
        form.reset();
        pumpQueued();
        resetSettings();
        if (dialogWatch) {
            for (const std::wstring& text : dialogWatch->cancelled())
                ADD_FAILURE() << "a dialog nobody expected stayed up and was cancelled: "
                              << testing::PrintToString(text);
            dialogWatch.reset();
        }
    }

    void openForm() {
        form = std::make_unique<TmxViewerForm>();
        SetWindowPos(form->hwnd, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
        ShowWindow(form->hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(form->hwnd);
        settle(300);
    }

    // Posts the command that the menu item posts and answers the real open dialog.
    void openThroughDialog(const std::wstring& path) {
        DialogScript script({DialogScript::fileName(path)});
        form->postCommand(kCommandChooseDocument);
        ASSERT_TRUE(pumpUntil([&] { return form->document() != nullptr; }, 20000));
        settle(300);
        SetForegroundWindow(form->hwnd);
        settle(200);
    }

    // A right click on the results and the menu's "OpenDocument" (the sixth item that is not a
    // separator), then the real open dialog.
    void openThroughMenu(const std::wstring& path) {
        DialogScript script({DialogScript::fileName(path)});
        const MenuKeys keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
        realinput::moveTo(form->resultsBox()->hwnd, 40, 40);
        realinput::mouse(MOUSEEVENTF_RIGHTDOWN);
        realinput::mouse(MOUSEEVENTF_RIGHTUP);
        ASSERT_TRUE(pumpUntil([&] { return form->document() != nullptr; }, 20000));
        settle(300);
        SetForegroundWindow(form->hwnd);
        settle(200);
    }

    std::wstring corpus;
    std::unique_ptr<TmxViewerForm> form;
    // A message box that no script answers fails the test instead of hanging it.
    std::unique_ptr<winuitest::UnexpectedDialogWatch> dialogWatch;
};

// A translator opens the document from the dialog, goes down three rows to the unit without a
// target, types one with markup characters and a character beyond U+FFFF, confirms it with
// Return and saves with Ctrl+S: only that unit changed in the file, which reads back and which
// the system's XML parser accepts.
TEST_F(DocumentViewWindowTest, TypedTargetIsSavedIntoItsUnitAlone) {
    documenttest::WorkFolder folder(L"typed-target");
    const std::wstring copy = folder.file(L"diffutils.xlf");
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    const PartialCopy original = makePartialCopy(corpus, copy);
    ASSERT_FALSE(original.bytes.empty());

    openThroughMenu(copy);
    DocumentView& view = *form->documentView();
    ASSERT_TRUE(IsWindowVisible(view.hwnd));
    ASSERT_EQ(view.grid->selectedRow(), 0);
    EXPECT_EQ(GetFocus(), view.targetEdit->hwnd);
    EXPECT_GT(form->document()->rowCount(), 200);
    ASSERT_TRUE(documenttest::screenshot(form->hwnd, L"viewer_document_opened.png"));

    for (int i = 0; i < 3; ++i)
        pressKey(VK_DOWN);
    ASSERT_EQ(view.grid->selectedRow(), 3);
    EXPECT_EQ(view.targetEdit->text(), L"");
    const std::wstring typed = L"Ready & set < go \xD834\xDD1E";
    typeText(typed);
    EXPECT_EQ(view.targetEdit->text(), typed);
    pressKey(VK_RETURN);
    EXPECT_TRUE(form->document()->isTargetEdited(3));
    EXPECT_EQ(view.grid->selectedRow(), 4);
    EXPECT_EQ(plainTarget(*form->document(), 3), typed);
    ASSERT_TRUE(documenttest::screenshot(form->hwnd, L"viewer_document_edited.png"));

    pressKey('S', true);
    EXPECT_TRUE(pumpUntil([&] { return !form->document()->isTargetEdited(3); }, 10000));
    EXPECT_FALSE(form->document()->isTargetEdited(3));
    EXPECT_EQ(plainTarget(*form->document(), 3), typed);

    // Every byte before and after the unit is as it was.
    const std::string saved = testfiles::readText(copy);
    const size_t tail = original.bytes.size() - original.unitEnd;
    ASSERT_GT(saved.size(), original.unitEnd);
    EXPECT_EQ(saved.substr(0, original.unitStart), original.bytes.substr(0, original.unitStart));
    EXPECT_EQ(saved.substr(saved.size() - tail), original.bytes.substr(original.unitEnd));
    const std::string unit = saved.substr(original.unitStart, saved.size() - tail - original.unitStart);
    EXPECT_NE(unit.find("Ready &amp; set &lt; go \xF0\x9D\x84\x9E</target>"), std::string::npos) << unit;

    XliffContentProvider reread(copy);
    ASSERT_FALSE(reread.failed());
    EXPECT_EQ(plainTarget(reread, 3), typed);
    EXPECT_EQ(reread.rowCount(), form->document()->rowCount());
    const std::string parsed = documenttest::checkWithSystemParser(folder, "diffutils.xlf");
    if (parsed == "skipped")
        std::printf("python3 is missing: the saved document was not given to the system's XML parser\n");
    else
        EXPECT_EQ(parsed, "parsed");
}

// The document cannot be replaced: the save says so and the edit stays, and so does the file.
TEST_F(DocumentViewWindowTest, SaveOfAReadOnlyDocumentReportsTheErrorAndKeepsTheEdit) {
    documenttest::WorkFolder folder(L"read-only");
    const std::wstring copy = folder.file(L"diffutils.xlf");
    ASSERT_TRUE(documenttest::copyDocument(corpus, copy));
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string before = testfiles::readText(copy);

    openThroughDialog(copy);
    DocumentView& view = *form->documentView();
    pressKey(VK_DOWN);
    pressKey('A', true);
    typeText(L"kept");
    pressKey(VK_RETURN);
    ASSERT_TRUE(form->document()->isTargetEdited(1));

    DialogScript boxes({DialogScript::press(IDOK)});
    pressKey('S', true);
    ASSERT_TRUE(pumpUntil([&] { return boxes.remaining() == 0; }, 10000));
    settle();
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], Localization::instance().getString(L"ErrorWritingFile"));
    EXPECT_TRUE(form->document()->isTargetEdited(1));
    EXPECT_EQ(plainTarget(*form->document(), 1), L"kept");
    EXPECT_EQ(testfiles::readText(copy), before);
    EXPECT_TRUE(IsWindowVisible(view.hwnd));
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Closing the window with unsaved edits asks; Yes saves and closes, No closes without saving,
// Cancel keeps the window, the document and the edit.
TEST_F(DocumentViewWindowTest, ClosingWithUnsavedEditsAsksAndEachAnswerDoesWhatItSays) {
    const struct {
        int answer;
        bool closes;
        bool saved;
    } cases[] = {
        {IDYES, true, true},
        {IDNO, true, false},
        {IDCANCEL, false, false},
    };
    const std::wstring asked = Localization::instance().getString(L"AskSaveDocument");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        documenttest::WorkFolder folder(L"close-" + std::to_wstring(c.answer));
        const std::wstring copy = folder.file(L"diffutils.xlf");
        ASSERT_TRUE(documenttest::copyDocument(corpus, copy));
        const std::string before = testfiles::readText(copy);
        if (!form)
            openForm();
        openThroughDialog(copy);
        // Row 0, the catalogue's header, has too many words to be edited.
        pressKey(VK_DOWN);
        pressKey('A', true);
        typeText(L"changed");
        // Not confirmed with Return: the typed text counts as an edit all the same.

        DialogScript boxes({DialogScript::press(c.answer)});
        int quits = 0;
        PostMessageW(form->hwnd, WM_CLOSE, 0, 0);
        ASSERT_TRUE(pumpUntil([&] { return boxes.remaining() == 0; }, 10000, &quits));
        // The answer is taken once the box has gone: then the window has closed, or not.
        ASSERT_TRUE(pumpUntil([&] { return !c.closes || !IsWindow(form->hwnd); }, 10000, &quits));
        settle();
        pumpQueued(&quits);
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0], asked);
        EXPECT_EQ(IsWindow(form->hwnd) != FALSE, !c.closes);
        EXPECT_EQ(testfiles::readText(copy) != before, c.saved);
        if (c.closes) {
            form.reset();
            continue;
        }
        EXPECT_TRUE(form->document()->isTargetEdited(1));
        EXPECT_EQ(plainTarget(*form->document(), 1), L"changed");
        // The window goes without asking: the edit goes with it, and the file stays as it was.
        form.reset();
    }
}

// With a memory open, a document named on the command line opens beside it: the memory and its
// results stay, choosing a row searches its source in the memory, and the rows show tags, the
// confirmed, the edited and the unusable state.
TEST_F(DocumentViewWindowTest, CommandLineDocumentOpensBesideTheMemoryAndLooksItsRowsUp) {
    documenttest::WorkFolder folder(L"beside-memory");
    const std::wstring memory = copySample(folder.path);
    form->load(memory);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->provider(); }, 30000));
    TmxEntryProvider* openMemory = form->provider();

    const std::wstring copy = folder.file(L"manual.xlf");
    ASSERT_TRUE(documenttest::copyDocument(L"" TEST_DATA_DIR "/manual-en-de.xlf", copy));
    form->openCommandLinePath(copy);
    ASSERT_TRUE(pumpUntil([&] { return form->document() != nullptr && !form->busy(); }, 20000));
    settle(300);
    SetForegroundWindow(form->hwnd);
    settle(200);
    EXPECT_EQ(form->provider(), openMemory);
    EXPECT_TRUE(IsWindowVisible(form->documentView()->hwnd));
    EXPECT_TRUE(IsWindowVisible(form->resultsBox()->hwnd));
    const winui::Rect results = form->resultsBox()->bounds();
    const winui::Rect view = form->documentView()->bounds();
    EXPECT_LE(results.bottom, view.top);

    // Row 3, "Open the file in the main window.", is looked up: its source is searched in the memory.
    for (int i = 0; i < 3; ++i)
        pressKey(VK_DOWN);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000));
    settle(300);
    EXPECT_EQ(form->searchField()->text(), L"Open the file in the main window.");
    EXPECT_FALSE(form->resultsBox()->results().empty());
    ASSERT_TRUE(documenttest::screenshot(form->hwnd, L"viewer_document_lookup.png"));
    // The typing stays with the document's target.
    EXPECT_EQ(GetFocus(), form->documentView()->targetEdit->hwnd);

    typeText(L"\u00D6ffnen Sie die Datei im Hauptfenster.");
    pressKey(VK_RETURN);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000));
    EXPECT_TRUE(form->document()->isTargetEdited(3));
    EXPECT_TRUE(form->document()->isTargetConfirmed(0));
    EXPECT_TRUE(form->document()->isRowUnusable(2));
    ASSERT_TRUE(documenttest::screenshot(form->hwnd, L"viewer_document_states.png"));

    // Saved, the edit is in the file and the row reads as saved.
    pressKey('S', true);
    EXPECT_TRUE(pumpUntil([&] { return !form->document()->isTargetEdited(3); }, 10000));
    EXPECT_FALSE(form->document()->isTargetEdited(3));
    XliffContentProvider reread(copy);
    ASSERT_EQ(reread.rowCount(), 30);
    EXPECT_EQ(plainTarget(reread, 3), L"\u00D6ffnen Sie die Datei im Hauptfenster.");
    EXPECT_NE(testfiles::readText(copy).find("<source>Open the <g id=\"3\">file</g> in the main window.</source><target>"),
              std::string::npos);
}

// A source's plain text with its white space folded, as the search field shows it.
std::wstring foldedText(const Segment& segment) {
    return lookuptest::foldedBlanks(renderSegmentText(segment, false, false));
}

// A real memory of seventeen languages is open, and a real Russian document is opened over it:
// the language list takes Russian, and a row whose source holds an option with hyphenated
// words ("--ignore-file-name-case"), chosen with the arrow keys, lists its own unit. A copy of
// the document that names French as its target takes French.
TEST_F(DocumentViewWindowTest, ARowIsLookedUpInTheDocumentsLanguageAndFindsItsOwnUnit) {
    const std::wstring corpusMemory = testfiles::corpusPath(L"multi-b.tmx");
    if (!testfiles::exists(corpusMemory))
        GTEST_SKIP() << "../shared/corpus is not beside the project: the real memory is missing";
    documenttest::WorkFolder folder(L"row-lookup");
    const std::wstring memory = folder.file(L"multi-b.tmx");
    ASSERT_TRUE(documenttest::copyDocument(corpusMemory, memory));
    DeleteFileW((memory + L".idx").c_str());
    form->load(memory);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->provider(); }, 180000));
    ASSERT_GT(form->provider()->languages().size(), 10u);
    EXPECT_EQ(form->languageList()->selectedText(), form->provider()->languages().begin()->first);

    const std::wstring copy = folder.file(L"diffutils.xlf");
    ASSERT_TRUE(documenttest::copyDocument(corpus, copy));
    form->openCommandLinePath(copy);
    ASSERT_TRUE(pumpUntil([&] { return form->document() != nullptr && !form->busy(); }, 30000));
    settle(300);
    SetForegroundWindow(form->hwnd);
    settle(200);
    EXPECT_EQ(form->languageList()->selectedText(), L"ru");

    int32_t wanted = -1;
    Segment source;
    for (int32_t row = 0; row < form->document()->rowCount() && wanted < 0; ++row) {
        if (form->document()->getSource(row, source) &&
            renderSegmentText(source, false, false).find(L"--ignore-file-name-case ") != std::wstring::npos)
            wanted = row;
    }
    ASSERT_GT(wanted, 0);
    const std::wstring text = foldedText(source);
    // Each row on the way is looked up too; the window takes keys again once that has ended.
    for (int32_t i = 0; i < wanted; ++i) {
        pressKey(VK_DOWN);
        ASSERT_TRUE(pumpUntil([&] { return !form->busy(); }, 30000));
    }
    settle(300);
    ASSERT_EQ(form->documentView()->grid->selectedRow(), wanted);
    EXPECT_EQ(form->searchField()->text(), text);
    bool ownUnit = false;
    for (const SearchResult& result : form->resultsBox()->results()) {
        const TmxEntry* entry = form->provider()->readEntry(result.entryId);
        ownUnit = ownUnit || (entry && foldedText(findSegment(*entry, L"en").segment) == text &&
                              !findSegment(*entry, L"ru").segment.empty());
    }
    EXPECT_TRUE(ownUnit) << testing::PrintToString(text);
    EXPECT_EQ(GetFocus(), form->documentView()->targetEdit->hwnd);
    ASSERT_TRUE(documenttest::screenshot(form->hwnd, L"viewer_document_row_lookup.png"));

    std::string french = testfiles::readText(copy);
    const size_t language = french.find("target-language=\"ru\"");
    ASSERT_NE(language, std::string::npos);
    french.replace(language, 20, "target-language=\"fr\"");
    const std::wstring frenchCopy = folder.file(L"diffutils-fr.xlf");
    testfiles::writeText(frenchCopy, french);
    form->openCommandLinePath(frenchCopy);
    ASSERT_TRUE(pumpUntil([&] { return form->document() && form->document()->path() == frenchCopy && !form->busy(); },
                          30000));
    EXPECT_EQ(form->languageList()->selectedText(), L"fr");
}

// Each real XLIFF document and a TTX document (UTF-16, one unit without a target), opened from
// the command line, edited with the keyboard and saved: the file differs only at the row's
// target, and reads back with the new target and as many rows.
TEST_F(DocumentViewWindowTest, EachKindOfDocumentIsEditedAndSavedInPlace) {
    const struct {
        std::wstring source;
        const wchar_t* name;
        int32_t row;
    } documents[] = {
        {documenttest::corpusDocument(L"sed-en-de.xlf"), L"sed.xlf", 2},
        {documenttest::corpusDocument(L"grep-en-ja.xlf"), L"grep.xlf", 7},
        {corpus, L"diffutils.sdlxliff", 7},
        {L"" TEST_DATA_DIR "/guide-en-de.ttx", L"guide.ttx", 1},
    };
    const std::wstring typed = L"Neu & <gut> \u00FC\xD83D\xDE00";
    documenttest::WorkFolder folder(L"each-kind");
    for (const auto& d : documents) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(d.name)));
        ASSERT_FALSE(d.source.empty());
        const std::wstring copy = folder.file(d.name);
        ASSERT_TRUE(documenttest::copyDocument(d.source, copy));
        const std::string before = testfiles::readText(copy);
        std::unique_ptr<TranslatableContentProvider> original = openTranslatableDocument(copy);
        const auto* originalRows = dynamic_cast<BilingualDocument*>(original.get());
        ASSERT_NE(originalRows, nullptr);
        ASSERT_FALSE(originalRows->isRowUnusable(d.row));
        const DocumentRow& row = *originalRows->row(d.row);
        const int64_t from = row.hasTarget() ? row.targetStart : row.insertAt;
        const int64_t to = row.hasTarget() ? row.targetEnd : row.insertAt;
        const int32_t rowCount = original->rowCount();
        original.reset();

        form->openCommandLinePath(copy);
        ASSERT_TRUE(pumpUntil([&] { return form->document() && form->document()->path() == copy; }, 20000));
        settle(300);
        SetForegroundWindow(form->hwnd);
        settle(200);
        for (int32_t i = 0; i < d.row; ++i)
            pressKey(VK_DOWN);
        ASSERT_EQ(form->documentView()->grid->selectedRow(), d.row);
        pressKey('A', true);
        typeText(typed);
        pressKey(VK_RETURN);
        ASSERT_TRUE(form->document()->isTargetEdited(d.row));
        pressKey('S', true);
        // The save is done once the row no longer reads as edited.
        ASSERT_TRUE(pumpUntil([&] { return !form->document()->isTargetEdited(d.row); }, 10000));

        const std::string saved = testfiles::readText(copy);
        const size_t tail = before.size() - static_cast<size_t>(to);
        ASSERT_GT(saved.size(), tail);
        EXPECT_EQ(saved.substr(0, static_cast<size_t>(from)), before.substr(0, static_cast<size_t>(from)));
        EXPECT_EQ(saved.substr(saved.size() - tail), before.substr(static_cast<size_t>(to)));
        std::unique_ptr<TranslatableContentProvider> reread = openTranslatableDocument(copy);
        ASSERT_TRUE(reread && !reread->failed());
        EXPECT_EQ(reread->rowCount(), rowCount);
        EXPECT_EQ(plainTarget(*reread, d.row), typed);
    }
    ASSERT_TRUE(documenttest::screenshot(form->hwnd, L"viewer_document_ttx.png"));
}

// A translator empties a target (Ctrl+A, BackSpace, Return) of a row never edited, and of a row
// whose target was typed over before: both rows read as edited and empty, a save is due, and
// Ctrl+S writes the two targets empty and changes no other byte of the file.
TEST_F(DocumentViewWindowTest, EmptiedTargetsAreEditsThatTheSaveWrites) {
    const struct {
        std::wstring source;
        const wchar_t* name;
        int32_t neverEdited;
        int32_t editedBefore;
    } documents[] = {
        {corpus, L"diffutils.xlf", 2, 4},
        {L"" TEST_DATA_DIR "/manual-en-de.xlf", L"manual.xlf", 0, 5},
    };
    documenttest::WorkFolder folder(L"emptied");
    for (const auto& d : documents) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(d.name)));
        const std::wstring copy = folder.file(d.name);
        ASSERT_TRUE(documenttest::copyDocument(d.source, copy));
        const std::string before = testfiles::readText(copy);
        // Where the two targets' contents lie in the file.
        std::vector<std::pair<size_t, size_t>> contents;
        {
            std::unique_ptr<TranslatableContentProvider> original = openTranslatableDocument(copy);
            const auto* rows = dynamic_cast<BilingualDocument*>(original.get());
            ASSERT_NE(rows, nullptr);
            for (int32_t r : {d.neverEdited, d.editedBefore}) {
                ASSERT_FALSE(rows->isRowUnusable(r));
                ASSERT_NE(plainTarget(*original, r), L"") << "row " << r;
                contents.emplace_back(static_cast<size_t>(rows->row(r)->targetContentStart),
                                      static_cast<size_t>(rows->row(r)->targetContentEnd));
            }
        }

        form->openCommandLinePath(copy);
        ASSERT_TRUE(pumpUntil([&] { return form->document() && form->document()->path() == copy; }, 20000));
        settle(300);
        SetForegroundWindow(form->hwnd);
        settle(200);
        DocumentView& view = *form->documentView();
        for (int32_t i = 0; i < d.neverEdited; ++i)
            pressKey(VK_DOWN);
        ASSERT_EQ(view.grid->selectedRow(), d.neverEdited);
        pressKey('A', true);
        pressKey(VK_BACK);
        EXPECT_EQ(view.targetEdit->text(), L"");
        pressKey(VK_RETURN);
        EXPECT_TRUE(form->document()->isTargetEdited(d.neverEdited));
        EXPECT_EQ(plainTarget(*form->document(), d.neverEdited), L"");

        for (int32_t i = d.neverEdited + 1; i < d.editedBefore; ++i)
            pressKey(VK_DOWN);
        ASSERT_EQ(view.grid->selectedRow(), d.editedBefore);
        pressKey('A', true);
        typeText(L"vorher");
        pressKey(VK_RETURN);
        pressKey(VK_UP);
        ASSERT_EQ(view.grid->selectedRow(), d.editedBefore);
        EXPECT_EQ(view.targetEdit->text(), L"vorher");
        pressKey('A', true);
        pressKey(VK_BACK);
        pressKey(VK_RETURN);
        EXPECT_EQ(view.grid->selectedRow(), d.editedBefore + 1);
        EXPECT_TRUE(form->document()->isTargetEdited(d.editedBefore));
        EXPECT_EQ(plainTarget(*form->document(), d.editedBefore), L"");
        EXPECT_TRUE(view.hasUnsavedEdits());
        // Back on the emptied row: the field stays empty.
        pressKey(VK_UP);
        EXPECT_EQ(view.targetEdit->text(), L"");
        ASSERT_TRUE(documenttest::screenshot(form->hwnd, std::wstring(L"viewer_document_emptied_") + d.name + L".png"));

        pressKey('S', true);
        ASSERT_TRUE(pumpUntil([&] { return !view.hasUnsavedEdits(); }, 10000));
        std::string expected = before;
        for (auto it = contents.rbegin(); it != contents.rend(); ++it)
            expected.erase(it->first, it->second - it->first);
        EXPECT_EQ(testfiles::readText(copy), expected);
        EXPECT_EQ(plainTarget(*form->document(), d.neverEdited), L"");
        EXPECT_EQ(plainTarget(*form->document(), d.editedBefore), L"");
    }
}

// Another document chosen while this one has unsaved edits: Cancel keeps this one and its edit,
// No opens the other and leaves this file as it was.
TEST_F(DocumentViewWindowTest, OpeningAnotherDocumentWithUnsavedEditsAsksFirst) {
    documenttest::WorkFolder folder(L"another");
    const std::wstring first = folder.file(L"first.xlf");
    const std::wstring second = folder.file(L"second.xlf");
    for (const std::wstring& path : {first, second}) {
        ASSERT_TRUE(documenttest::copyDocument(corpus, path));
    }
    const std::string before = testfiles::readText(first);
    openThroughDialog(first);
    pressKey(VK_DOWN);
    pressKey('A', true);
    typeText(L"unsaved");
    pressKey(VK_RETURN);
    ASSERT_TRUE(form->document()->isTargetEdited(1));

    const std::wstring asked = Localization::instance().getString(L"AskSaveDocument");
    {
        DialogScript script({DialogScript::fileName(second), DialogScript::press(IDCANCEL)});
        form->postCommand(kCommandChooseDocument);
        ASSERT_TRUE(pumpUntil([&] { return script.remaining() == 0; }, 20000));
        settle(300);
        EXPECT_EQ(script.texts, std::vector<std::wstring>{asked});
    }
    EXPECT_EQ(form->document()->path(), first);
    EXPECT_TRUE(form->document()->isTargetEdited(1));
    {
        DialogScript script({DialogScript::fileName(second), DialogScript::press(IDNO)});
        form->postCommand(kCommandChooseDocument);
        ASSERT_TRUE(pumpUntil([&] { return form->document() && form->document()->path() == second; }, 20000));
        settle(300);
        EXPECT_EQ(script.texts, std::vector<std::wstring>{asked});
    }
    EXPECT_FALSE(form->document()->isTargetEdited(1));
    EXPECT_EQ(testfiles::readText(first), before);
}

// The rows' context menu saves: a right click on a row, then the menu's first item.
TEST_F(DocumentViewWindowTest, TheRowsContextMenuSavesTheDocument) {
    documenttest::WorkFolder folder(L"menu-save");
    const std::wstring copy = folder.file(L"diffutils.xlf");
    ASSERT_TRUE(documenttest::copyDocument(corpus, copy));
    openThroughDialog(copy);
    pressKey(VK_DOWN);
    pressKey('A', true);
    typeText(L"from the menu");
    pressKey(VK_RETURN);
    ASSERT_TRUE(form->document()->isTargetEdited(1));

    DocumentGrid& grid = *form->documentView()->grid;
    const winui::Rect cell = grid.cellRect(grid.topRow, kColumnSource);
    realinput::moveTo(grid.hwnd, cell.left + 20, cell.top + 5);
    // The menu runs a loop of its own: a thread timer served by it chooses the first item once
    // the menu shows, or closes it after some seconds so that the test cannot hang.
    const MenuKeys keys({VK_DOWN, VK_RETURN});
    realinput::mouse(MOUSEEVENTF_RIGHTDOWN);
    realinput::mouse(MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(pumpUntil([&] { return !form->document()->isTargetEdited(1); }, 10000));
    EXPECT_NE(testfiles::readText(copy).find("from the menu</target>"), std::string::npos);
}

} // namespace
