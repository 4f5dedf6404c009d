#include "viewer/DocumentSession.h"

#include "viewer/documents/DocumentFactory.h"
#include "viewer/documents/TranslatableContentProvider.h"

namespace {

constexpr UINT kSaveQuestionType = MB_YESNOCANCEL | MB_ICONQUESTION;

void run(const std::function<void()>& step) {
    if (step)
        step();
}

} // namespace

DocumentSession::DocumentSession(WindowSteps steps) : steps_(std::move(steps)) {}

DocumentSession::~DocumentSession() = default;

TranslatableContentProvider* DocumentSession::document() const { return document_.get(); }

std::wstring DocumentSession::targetLanguage() const {
    return document_ ? document_->targetLanguage() : std::wstring();
}

bool DocumentSession::saveDue(const TranslatableContentProvider& document) {
    for (int32_t row = 0; row < document.rowCount(); ++row) {
        if (document.isTargetEdited(row))
            return true;
    }
    return false;
}

bool DocumentSession::saveDue() const { return document_ && saveDue(*document_); }

DocumentSession::Question DocumentSession::questionBeforeLeaving() const {
    Question question;
    if (saveDue()) {
        question.key = L"AskSaveDocument";
        question.type = kSaveQuestionType;
    }
    return question;
}

bool DocumentSession::settle() {
    if (!document_)
        return true;
    run(steps_.confirmTyping);
    const Question question = questionBeforeLeaving();
    if (!question.key)
        return true;
    const int answer = message(question.key, question.type);
    return goOnAfterSaveQuestion(answer, [this] { return save(); });
}

DocumentSession::OpenResult DocumentSession::open(const std::wstring& path) {
    if (!settle())
        return OpenResult::Kept;
    close();
    std::unique_ptr<TranslatableContentProvider> opened = openTranslatableDocument(path);
    if (!opened)
        return OpenResult::NotADocument;
    if (opened->failed()) {
        opened.reset();
        message(L"ErrorOpeningFile", MB_ICONERROR);
        return OpenResult::Unreadable;
    }
    document_ = std::move(opened);
    return OpenResult::Opened;
}

SaveOutcome DocumentSession::save() {
    if (!document_)
        return SaveOutcome::Cancelled;
    run(steps_.confirmTyping);
    const bool saved = document_->save();
    run(steps_.reloaded);
    if (!saved) {
        message(L"ErrorWritingFile", MB_ICONERROR);
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

void DocumentSession::close() {
    run(steps_.letGo);
    document_.reset();
}

DocumentLookup DocumentSession::lookupOfRow(int32_t row, uint32_t maximum) const {
    Segment source;
    if (!document_ || !document_->getSource(row, source))
        return DocumentLookup();
    return lookupOfSource(source, maximum);
}

int DocumentSession::message(const wchar_t* key, UINT type) const {
    // Without a window to ask, nothing is let go unasked.
    return steps_.message ? steps_.message(key, type) : IDCANCEL;
}
