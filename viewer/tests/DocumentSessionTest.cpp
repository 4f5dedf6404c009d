#include "viewer/DocumentSession.h"

#include "core/tests/TestFiles.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/SegmentRenderer.h"
#include "viewer/documents/TranslatableContentProvider.h"
#include "viewer/documents/XliffContentProvider.h"
#include "viewer/tests/DocumentViewTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char kXliff[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><xliff version=\"1.2\"><file><body>"
    "<trans-unit id=\"1\"><source>Good morning</source><target>Hallo</target></trans-unit>"
    "</body></file></xliff>";

Segment textSegment(const std::wstring& text) {
    Segment segment;
    appendSegmentText(segment, text);
    return segment;
}

std::wstring plainTarget(const TranslatableContentProvider& document, int32_t row) {
    Segment target;
    document.getTarget(row, target);
    return renderSegmentText(target, false, false);
}

// A session whose window steps write what they were asked into a log, and whose message boxes
// answer from a script.
struct LoggedSession {
    LoggedSession()
        : session(DocumentSession::WindowSteps{
              [this] { log.push_back(L"confirm typing"); },
              [this] { log.push_back(L"let go"); },
              [this] { log.push_back(L"reloaded"); },
              [this](const wchar_t* key, UINT type) {
                  log.push_back(std::wstring(L"message ") + key);
                  types.push_back(type);
                  return answer;
              },
          }) {}

    std::vector<std::wstring> log;
    std::vector<UINT> types;
    int answer = IDCANCEL;
    DocumentSession session;
};

TEST(DocumentSessionTest, AnOpenTakesADocumentOrSaysWhyNotAndTheOneBeforeGoesEitherWay) {
    testfiles::TempDir dir(L"session-open");
    const std::wstring good = dir.file(L"ui.xlf");
    ASSERT_TRUE(testfiles::writeText(good, kXliff));
    ASSERT_TRUE(testfiles::writeText(dir.file(L"cut.ttx"), "<TRADOStag><Body><Raw><Tu>"));

    const struct {
        const wchar_t* label;
        std::wstring path;
        DocumentSession::OpenResult result;
        std::vector<std::wstring> log;
    } cases[] = {
        {L"a document", good, DocumentSession::OpenResult::Opened, {L"confirm typing", L"let go"}},
        {L"a damaged document", dir.file(L"cut.ttx"), DocumentSession::OpenResult::Unreadable,
         {L"confirm typing", L"let go", L"message ErrorOpeningFile"}},
        {L"a missing document", dir.file(L"gone.sdlxliff"), DocumentSession::OpenResult::Unreadable,
         {L"confirm typing", L"let go", L"message ErrorOpeningFile"}},
        {L"a memory", dir.file(L"memory.tmx"), DocumentSession::OpenResult::NotADocument,
         {L"confirm typing", L"let go"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        LoggedSession logged;
        ASSERT_EQ(logged.session.open(good), DocumentSession::OpenResult::Opened);
        logged.log.clear();
        // Nothing is edited, typing included: the document before goes without a question.
        EXPECT_EQ(logged.session.open(c.path), c.result);
        EXPECT_EQ(logged.log, c.log);
        const bool opened = c.result == DocumentSession::OpenResult::Opened;
        ASSERT_EQ(logged.session.document() != nullptr, opened);
        if (opened) {
            EXPECT_EQ(logged.session.document()->path(), c.path);
            EXPECT_EQ(logged.session.document()->rowCount(), 1);
        }
        EXPECT_EQ(logged.session.targetLanguage(), std::wstring());
        EXPECT_FALSE(logged.session.saveDue());
    }
}

// Before unsaved edits could be lost the session asks, once the typing is in the rows; each
// answer does what it says, and a save that fails keeps the edit and stops.
TEST(DocumentSessionTest, UnsavedEditsAreAskedAboutAndEachAnswerDoesWhatItSays) {
    const struct {
        const wchar_t* label;
        bool edited;
        bool readOnly;
        int answer;
        bool goesOn;
        std::vector<std::wstring> log;
        bool written;
    } cases[] = {
        {L"nothing edited", false, false, IDYES, true, {L"confirm typing"}, false},
        {L"yes", true, false, IDYES, true,
         {L"confirm typing", L"message AskSaveDocument", L"confirm typing", L"reloaded"}, true},
        {L"no", true, false, IDNO, true, {L"confirm typing", L"message AskSaveDocument"}, false},
        {L"cancel", true, false, IDCANCEL, false, {L"confirm typing", L"message AskSaveDocument"}, false},
        {L"box closed otherwise", true, false, 0, false, {L"confirm typing", L"message AskSaveDocument"}, false},
        {L"yes, but the document cannot be replaced", true, true, IDYES, false,
         {L"confirm typing", L"message AskSaveDocument", L"confirm typing", L"reloaded",
          L"message ErrorWritingFile"},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        testfiles::TempDir dir(L"session-settle");
        const std::wstring path = dir.file(L"ui.xlf");
        ASSERT_TRUE(testfiles::writeText(path, kXliff));
        if (c.readOnly)
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
        LoggedSession logged;
        logged.answer = c.answer;
        ASSERT_EQ(logged.session.open(path), DocumentSession::OpenResult::Opened);
        if (c.edited) {
            ASSERT_TRUE(logged.session.document()->setTarget(0, textSegment(L"Guten Morgen")));
        }
        EXPECT_EQ(logged.session.saveDue(), c.edited);
        const DocumentSession::Question question = logged.session.questionBeforeLeaving();
        if (c.edited) {
            ASSERT_NE(question.key, nullptr);
            EXPECT_EQ(std::wstring(question.key), L"AskSaveDocument");
            EXPECT_EQ(question.type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
        } else {
            EXPECT_EQ(question.key, nullptr);
        }
        logged.log.clear();

        EXPECT_EQ(logged.session.settle(), c.goesOn);
        EXPECT_EQ(logged.log, c.log);
        if (c.edited) {
            ASSERT_FALSE(logged.types.empty());
            EXPECT_EQ(logged.types[0], static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
        }
        // The edit stays in the rows whatever was answered, until the document goes.
        ASSERT_TRUE(logged.session.document());
        EXPECT_EQ(plainTarget(*logged.session.document(), 0), c.edited ? L"Guten Morgen" : L"Hallo");

        // The document is put in place when it goes: only a save changed its bytes, and only in
        // the unit's target.
        logged.session.close();
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::string expected = kXliff;
        if (c.written)
            expected.replace(expected.find("Hallo"), 5, "Guten Morgen");
        EXPECT_EQ(testfiles::readText(path), expected);
        EXPECT_EQ(dir.names(), std::vector<std::wstring>{L"ui.xlf"});
    }
}

// A cancelled question keeps the document and its edit; nothing of the new path is read.
TEST(DocumentSessionTest, AnOpenCancelledByTheQuestionKeepsTheDocumentBefore) {
    testfiles::TempDir dir(L"session-keep");
    const std::wstring first = dir.file(L"first.xlf");
    const std::wstring second = dir.file(L"second.xlf");
    ASSERT_TRUE(testfiles::writeText(first, kXliff));
    ASSERT_TRUE(testfiles::writeText(second, kXliff));
    LoggedSession logged;
    ASSERT_EQ(logged.session.open(first), DocumentSession::OpenResult::Opened);
    ASSERT_TRUE(logged.session.document()->setTarget(0, textSegment(L"Guten Morgen")));
    const TranslatableContentProvider* before = logged.session.document();
    logged.log.clear();

    logged.answer = IDCANCEL;
    EXPECT_EQ(logged.session.open(second), DocumentSession::OpenResult::Kept);
    EXPECT_EQ(logged.log, (std::vector<std::wstring>{L"confirm typing", L"message AskSaveDocument"}));
    EXPECT_EQ(logged.session.document(), before);
    EXPECT_TRUE(logged.session.saveDue());

    // No lets it go: the view lets go of it before the next one is read.
    logged.answer = IDNO;
    logged.log.clear();
    EXPECT_EQ(logged.session.open(second), DocumentSession::OpenResult::Opened);
    EXPECT_EQ(logged.log, (std::vector<std::wstring>{L"confirm typing", L"message AskSaveDocument", L"let go"}));
    EXPECT_EQ(logged.session.document()->path(), second);
    EXPECT_FALSE(logged.session.saveDue());
    logged.session.close();
    EXPECT_EQ(testfiles::readText(first), kXliff);
}

TEST(DocumentSessionTest, WithoutADocumentThereIsNothingToSaveAskOrLookUp) {
    LoggedSession logged;
    EXPECT_EQ(logged.session.document(), nullptr);
    EXPECT_FALSE(logged.session.saveDue());
    EXPECT_EQ(logged.session.questionBeforeLeaving().key, nullptr);
    EXPECT_TRUE(logged.session.settle());
    EXPECT_EQ(logged.session.save(), SaveOutcome::Cancelled);
    EXPECT_TRUE(logged.session.lookupOfRow(0, 50).text.empty());
    EXPECT_TRUE(logged.log.empty());
}

// A row's lookup is its source's; a row outside the document looks up nothing.
TEST(DocumentSessionTest, ARowIsLookedUpByItsSource) {
    testfiles::TempDir dir(L"session-lookup");
    const std::wstring path = dir.file(L"ui.xlf");
    ASSERT_TRUE(testfiles::writeText(path, kXliff));
    DocumentSession session;
    ASSERT_EQ(session.open(path), DocumentSession::OpenResult::Opened);
    const struct {
        int32_t row;
        const wchar_t* text;
    } cases[] = {{0, L"Good morning"}, {1, L""}, {-1, L""}};
    for (const auto& c : cases)
        EXPECT_EQ(session.lookupOfRow(c.row, 50).text, c.text) << c.row;
}

// On a real document: an edit saved through the question is in the document afterwards, and
// every other row reads as it did.
TEST(DocumentSessionTest, AnEditSavedThroughTheQuestionIsInTheRealDocument) {
    const std::wstring corpus = documenttest::corpusDocument(L"diffutils-en-ru-partial.xlf");
    if (corpus.empty())
        GTEST_SKIP() << "the corpus is not beside the project: no real document to save into";
    documenttest::WorkFolder folder(L"session-corpus");
    const std::wstring copy = folder.file(L"diffutils.xlf");
    ASSERT_TRUE(documenttest::copyDocument(corpus, copy));
    XliffContentProvider original(corpus);
    ASSERT_FALSE(original.failed());

    LoggedSession logged;
    logged.answer = IDYES;
    ASSERT_EQ(logged.session.open(copy), DocumentSession::OpenResult::Opened);
    ASSERT_TRUE(logged.session.document()->setTarget(3, textSegment(L"Ready & set < go")));
    ASSERT_TRUE(logged.session.settle());
    EXPECT_FALSE(logged.session.saveDue());
    logged.session.close();

    XliffContentProvider reread(copy);
    ASSERT_FALSE(reread.failed());
    ASSERT_EQ(reread.rowCount(), original.rowCount());
    for (int32_t row = 0; row < reread.rowCount(); ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(plainTarget(reread, row), row == 3 ? L"Ready & set < go" : plainTarget(original, row));
    }
}

} // namespace
