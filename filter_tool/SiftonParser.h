#pragma once

#include "core/events/HandlerList.h"
#include "core/util/LanguageCode.h"
#include "core/util/Utf8Writer.h"
#include "core/xml/XmlParser.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>


// True when a variant in `language` belongs to `target`: the two codes are equal, or the language
// is a regional form of the target, the target followed by "-" (de keeps de-DE and de-AT; fr keeps
// no frp, fr_CA or fra). Letter case does not count; both codes come normalised.
bool languageBelongsToTarget(const std::wstring& target, const std::wstring& language);

// Receives the callbacks of one streaming parse of a TMX file and writes, as it goes, a TMX file
// that keeps in each translation unit the variants in the document's source language and in the
// target language, optionally without any prop element. Only the current translation unit is
// held in memory; the output layout is rebuilt from the nesting (two blanks per level, one LF per
// line), so the input's whitespace between elements does not reach it. The output always starts
// with an XML declaration naming UTF-8.
class SiftonParser : public XmlParser {
public:
    // What the filter itself can find wrong; the XML reader's errors are in errorCode().
    enum Failure {
        kFailureNone = 0,
        // A translation unit grew beyond kMaxUnitUnits: most likely its end tag is missing.
        kFailureUnitTooLarge,
        // The document ended inside a translation unit or another element.
        kFailureUnclosedElements,
        // The output refused a block.
        kFailureOutput,
    };

    // The most text one translation unit may hold in the buffer: 64 MiB of UTF-16.
    static constexpr size_t kMaxUnitUnits = size_t(32) << 20;

    // targetLanguage must already be normalised; an empty one keeps every variant. totalSize is
    // the input's size in bytes, the divisor of the progress (0: no progress is reported).
    SiftonParser(Utf8Writer& output, uint64_t totalSize, const std::wstring& targetLanguage,
                 bool removeProps);
    ~SiftonParser() override;

    // Fired from startElement with the percent 0 to 100 (unsigned int) each time it changes.
    HandlerList progress;

    int32_t unitsWritten() const { return unitsWritten_; }
    Failure failure() const { return failure_; }
    // The unit index of the markup at which the failure was found (for an oversized or unclosed
    // translation unit, its start tag); -1 when unknown.
    int64_t failurePosition() const { return failurePosition_; }
    const std::wstring& sourceLanguage() const { return sourceLanguage_; }

    // Where the copy stands between translation units: what a parser that goes on from there
    // needs of the one before it.
    struct Layout {
        std::wstring indent;
        int64_t openElements = 0;
        bool declarationWritten = false;
        std::wstring sourceLanguage;
        bool operator==(const Layout& other) const {
            return indent == other.indent && openElements == other.openElements &&
                   declarationWritten == other.declarationWritten && sourceLanguage == other.sourceLanguage;
        }
    };
    Layout layout() const { return {indent_, openElements_, declarationWritten_, sourceLanguage_}; }
    // Before a parse of a piece that begins where another parser stood between units.
    void continueFrom(const Layout& layout);
    // True between translation units, outside any dropped or inline element, with nothing failed.
    bool betweenUnits() const {
        return atContent() && !inUnit_ && dropDepth_ == 0 && inlineDepth_ == 0 && failure_ == kFailureNone;
    }
    // For a piece that more of the document follows: its end is no end of the document.
    void setMoreToFollow(bool more) { moreToFollow_ = more; }

    void processingInstruction(const std::wstring& target, const XmlAttributes& attributes) override;
    void doctype(const std::wstring& text) override;
    void comment(const std::wstring& text) override;
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override;
    void endElement(const std::wstring& name, bool isEmpty) override;
    void characterData(const std::wstring& text) override;
    void cdata(const std::wstring& text) override;
    void onDocumentEnd() override;

private:
    const std::wstring& normalizedLanguage(const std::wstring& code);
    void reportProgress();
    void fail(Failure failure, int64_t position);
    void ensureDeclaration();
    // Text goes to the unit buffer inside a translation unit, else straight to the output.
    void emit(const wchar_t* text, size_t length);
    void emit(const std::wstring& text) { emit(text.data(), text.size()); }
    template <size_t N>
    void emitLiteral(const wchar_t (&text)[N]) {
        emit(text, N - 1);
    }
    // Writes text with the characters of `set` as references; `found` is what
    // escapableCharacters saw in it.
    void emitEscaped(const std::wstring& text, unsigned set, unsigned found);
    void emitText(const std::wstring& text);
    void emitAttributes(const XmlAttributes& attributes);
    void emitMarkup(const wchar_t* open, size_t openLength, const std::wstring& text,
                    const wchar_t* close, size_t closeLength);
    void finishUnit();
    void clearBuffer();

    Utf8Writer& output_;
    std::wstring sourceLanguage_;
    std::wstring targetLanguage_;
    uint64_t totalSize_;
    bool removeProps_;
    bool inUnit_ = false;
    // Unsigned count of kept variants in the current translation unit.
    unsigned keptVariants_ = 0;
    std::wstring indent_;
    std::wstring buffer_;
    int32_t unitsWritten_ = 0;

    // Open elements inside a dropped prop or variant, the dropped element itself included; its
    // whole content is skipped while this is above 0.
    int dropDepth_ = 0;
    // Open elements whose text is content (seg, prop, note), and the inline elements within
    // them; while above 0 everything is written in place on one line.
    int inlineDepth_ = 0;
    // Start tags written minus end tags written; not 0 at the end means a cut-off document.
    int64_t openElements_ = 0;
    size_t unitIndentLength_ = 0;
    int64_t unitStart_ = -1;
    int64_t lastPercent_ = -1;
    bool declarationWritten_ = false;
    bool moreToFollow_ = false;
    Failure failure_ = kFailureNone;
    int64_t failurePosition_ = -1;
    static constexpr size_t kLanguageCacheSize = 16;
    std::vector<std::pair<std::wstring, std::wstring>> languageCache_;
    // Reused for escaped text on its way to the output, so that escaping allocates only once.
    std::wstring scratch_;
};
