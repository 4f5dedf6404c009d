#pragma once

#include "ui_toolkit/SaveChanges.h"
#include "viewer/DocumentLookup.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TranslatableContentProvider;

// The bilingual document a translator works on beside the open memory: opened by its path,
// edited through its rows, saved into itself, and asked about before unsaved edits could be
// lost. The session holds no window: the window that shows the document lends it the few steps
// that need one, so that all of this is checked without a window.
class DocumentSession {
public:
    // The window's part; each step may be left empty.
    struct WindowSteps {
        // Text typed into the view and not confirmed yet goes into the rows: it counts as an edit.
        std::function<void()> confirmTyping;
        // The view lets go of the document before the document goes.
        std::function<void()> letGo;
        // A save reads the document again: the view shows every row anew.
        std::function<void()> reloaded;
        // A message box with the text of a localisation key; the button pressed.
        std::function<int(const wchar_t* key, UINT type)> message;
    };

    // What an open came to.
    enum class OpenResult {
        Opened,
        Kept,         // the question about the document before was cancelled, or its save failed
        Unreadable,   // the path names a document that could not be read (the user was told)
        NotADocument, // the path names no document kind: nothing was read
    };

    // The question asked before unsaved edits could be lost; a null key when none is due.
    struct Question {
        const wchar_t* key = nullptr;
        UINT type = 0;
    };

    explicit DocumentSession(WindowSteps steps = WindowSteps());
    ~DocumentSession();
    DocumentSession(const DocumentSession&) = delete;
    DocumentSession& operator=(const DocumentSession&) = delete;

    // The open document; null when none is open.
    TranslatableContentProvider* document() const;
    // The language the open document is translated into; empty without one.
    std::wstring targetLanguage() const;

    // Whether the open document holds an edit that is not saved yet.
    bool saveDue() const;
    static bool saveDue(const TranslatableContentProvider& document);
    Question questionBeforeLeaving() const;

    // Asks about unsaved edits; true when the caller may go on (nothing to ask, saved, or let
    // go), false when the user cancelled or the save failed.
    bool settle();
    // Settles the document before, drops it and opens the path in its place. A document that
    // cannot be read leaves none open, the one before gone all the same.
    OpenResult open(const std::wstring& path);
    // Writes the edits into the document; a failure says "ErrorWritingFile" and keeps them.
    // Cancelled without a document.
    SaveOutcome save();
    // Drops the document, unsaved edits and all.
    void close();

    // What choosing a row looks up in the memory; empty text without a document or such a row.
    DocumentLookup lookupOfRow(int32_t row, uint32_t maximum) const;

private:
    int message(const wchar_t* key, UINT type) const;

    WindowSteps steps_;
    std::unique_ptr<TranslatableContentProvider> document_;
};
