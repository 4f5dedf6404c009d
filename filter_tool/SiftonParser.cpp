#include "filter_tool/SiftonParser.h"

#include "core/xml/XmlEntities.h"

namespace {

const wchar_t kIndentUnit[] = L"  ";
const size_t kIndentUnitLength = 2;
const size_t kBufferReserve = 4096;
// A buffer that grew beyond this for one huge translation unit is given back afterwards, so
// that one such unit does not keep its memory for the rest of the run.
const size_t kBufferKeepUnits = size_t(1) << 20;

// Held once: a name longer than the short-string buffer would allocate at every lookup.
const std::wstring& xmlLangName() {
    static const std::wstring name = L"xml:lang";
    return name;
}

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r';
}

bool isBlankOnly(const std::wstring& text) {
    for (const wchar_t c : text) {
        if (!isBlank(c))
            return false;
    }
    return true;
}

// What a text holds of the characters that may need a reference: kXmlEscapeAmpLt stands for any
// of '<', '>' and '&'.
unsigned escapableCharacters(const std::wstring& text) {
    unsigned found = 0;
    for (const wchar_t c : text) {
        if (c > L'>')
            continue;
        switch (c) {
        case L'<': case L'>': case L'&': found |= kXmlEscapeAmpLt; break;
        case L'"': found |= kXmlEscapeQuot; break;
        case L'\'': found |= kXmlEscapeApos; break;
        case L'\r': found |= kXmlEscapeCr; break;
        case L'\t': case L'\n': found |= kXmlEscapeTabLf; break;
        default: break;
        }
    }
    return found;
}

// Elements whose text is content: it is kept, on one line with the element's tags.
bool holdsText(const std::wstring& name) {
    return name == L"seg" || name == L"prop" || name == L"note";
}

// A version that can stand between double quotes in a declaration.
bool isPlainVersion(const std::wstring& version) {
    if (version.empty())
        return false;
    for (const wchar_t c : version) {
        if (!(c == L'.' || (c >= L'0' && c <= L'9')))
            return false;
    }
    return true;
}

} // namespace

bool languageBelongsToTarget(const std::wstring& target, const std::wstring& language) {
    if (language.size() < target.size() ||
        (language.size() > target.size() && language[target.size()] != L'-'))
        return false;
    // Normalised codes differ in letter case only in ASCII letters.
    auto folded = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    for (size_t i = 0; i < target.size(); ++i) {
        if (folded(target[i]) != folded(language[i]))
            return false;
    }
    return true;
}

SiftonParser::SiftonParser(Utf8Writer& output, uint64_t totalSize, const std::wstring& targetLanguage,
                           bool removeProps)
    : output_(output), targetLanguage_(targetLanguage), totalSize_(totalSize), removeProps_(removeProps) {
    buffer_.reserve(kBufferReserve);
}

SiftonParser::~SiftonParser() = default;

const std::wstring& SiftonParser::normalizedLanguage(const std::wstring& code) {
    // A file names few languages, each in one spelling: normalise each spelling once.
    for (const auto& known : languageCache_) {
        if (known.first == code)
            return known.second;
    }
    if (languageCache_.size() >= kLanguageCacheSize)
        languageCache_.erase(languageCache_.begin());
    languageCache_.emplace_back(code, normaliseLanguageCode(code));
    return languageCache_.back().second;
}

void SiftonParser::fail(Failure failure, int64_t position) {
    if (failure_ != kFailureNone)
        return;
    failure_ = failure;
    failurePosition_ = position;
    stop();
}

void SiftonParser::reportProgress() {
    if (totalSize_ == 0)
        return;
    // The reader's byte offsets are 64-bit: files beyond 4 GiB keep their true progress.
    const int64_t at = markupByteOffset();
    const uint64_t offset = at > 0 ? static_cast<uint64_t>(at) : 0;
    const int64_t percent =
        offset >= totalSize_ ? 100 : static_cast<int64_t>(offset * 100 / totalSize_);
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    fireHandlersT1(progress, static_cast<unsigned>(percent));
}

void SiftonParser::ensureDeclaration() {
    if (declarationWritten_)
        return;
    declarationWritten_ = true;
    // Without a declaration a reader may take the UTF-8 output for the ANSI code page.
    output_.writeLiteral(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n");
}

void SiftonParser::emit(const wchar_t* text, size_t length) {
    if (failure_ != kFailureNone)
        return;
    if (inUnit_) {
        if (length > kMaxUnitUnits - buffer_.size()) {
            fail(kFailureUnitTooLarge, unitStart_);
            return;
        }
        buffer_.append(text, length);
    } else {
        ensureDeclaration();
        output_.write(text, length);
    }
}

void SiftonParser::emitEscaped(const std::wstring& text, unsigned set, unsigned found) {
    if ((found & set) == 0) {
        emit(text);
        return;
    }
    scratch_.clear();
    escapeXml(scratch_, text, set);
    emit(scratch_);
}

void SiftonParser::emitText(const std::wstring& text) {
    // Text that holds markup characters is escaped in full; other text keeps its quotes as they
    // are. A CR is always a reference: written raw, every reader gives it back as LF.
    const unsigned found = escapableCharacters(text);
    emitEscaped(text, (found & kXmlEscapeAmpLt) ? kXmlEscapeText : kXmlEscapeCr, found);
}

void SiftonParser::emitAttributes(const XmlAttributes& attributes) {
    // TAB, LF and CR in a value are always references: written raw, a reader gives them back as
    // blanks.
    const unsigned blanks = kXmlEscapeCr | kXmlEscapeTabLf;
    for (size_t i = 0; i < attributes.size(); ++i) {
        emitLiteral(L" ");
        emit(attributes.nameAt(i));
        emitLiteral(L"=");
        const std::wstring& value = attributes.valueAt(i);
        const unsigned found = escapableCharacters(value);
        if (found & kXmlEscapeAmpLt) {
            emitLiteral(L"\"");
            emitEscaped(value, kXmlEscapeAttribute, found);
            emitLiteral(L"\"");
        } else if (!(found & kXmlEscapeQuot)) {
            emitLiteral(L"\"");
            emitEscaped(value, blanks, found);
            emitLiteral(L"\"");
        } else if (!(found & kXmlEscapeApos)) {
            emitLiteral(L"'");
            emitEscaped(value, blanks, found);
            emitLiteral(L"'");
        } else {
            // Both quote kinds: double quotes around, the inner ones as references.
            emitLiteral(L"\"");
            emitEscaped(value, kXmlEscapeQuot | blanks, found);
            emitLiteral(L"\"");
        }
    }
}

// A comment or CDATA section: in place within text, else on a line of its own.
void SiftonParser::emitMarkup(const wchar_t* open, size_t openLength, const std::wstring& text,
                              const wchar_t* close, size_t closeLength) {
    if (dropDepth_ > 0)
        return;
    if (inlineDepth_ == 0)
        emit(indent_);
    emit(open, openLength);
    emit(text);
    emit(close, closeLength);
    if (inlineDepth_ == 0)
        emitLiteral(L"\n");
}

void SiftonParser::processingInstruction(const std::wstring& target, const XmlAttributes& attributes) {
    if (failure_ != kFailureNone)
        return;
    if (target == L"xml") {
        // Only the first thing in a document can be its declaration; whatever encoding the input
        // declared, the output is UTF-8.
        if (declarationWritten_)
            return;
        declarationWritten_ = true;
        const std::wstring& version = attributes.get(L"version");
        output_.writeLiteral(L"<?xml version=\"");
        if (isPlainVersion(version))
            output_.write(version);
        else
            output_.writeLiteral(L"1.0");
        output_.writeLiteral(L"\" encoding=\"utf-8\"?>\n");
        return;
    }
    if (dropDepth_ > 0)
        return;
    emitLiteral(L"<?");
    emit(target);
    emitAttributes(attributes);
    emitLiteral(L"?>");
    if (inlineDepth_ == 0)
        emitLiteral(L"\n");
}

void SiftonParser::doctype(const std::wstring& text) {
    if (failure_ != kFailureNone || dropDepth_ > 0)
        return;
    emitLiteral(L"<!DOCTYPE ");
    emit(text);
    emitLiteral(L">\n");
}

void SiftonParser::comment(const std::wstring& text) {
    if (failure_ != kFailureNone)
        return;
    emitMarkup(L"<!--", 4, text, L"-->", 3);
}

void SiftonParser::cdata(const std::wstring& text) {
    if (failure_ != kFailureNone)
        return;
    emitMarkup(L"<![CDATA[", 9, text, L"]]>", 3);
}

void SiftonParser::characterData(const std::wstring& text) {
    if (failure_ != kFailureNone || dropDepth_ > 0)
        return;
    // Between elements only blanks are dropped (the layout is rebuilt); stray text that holds
    // more than blanks is kept where it stands rather than lost.
    if (inlineDepth_ == 0 && isBlankOnly(text))
        return;
    emitText(text);
}

void SiftonParser::startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) {
    if (failure_ != kFailureNone)
        return;
    reportProgress();
    if (dropDepth_ > 0) {
        if (!isEmpty)
            ++dropDepth_;
        return;
    }
    if (removeProps_ && name == L"prop") {
        if (!isEmpty)
            dropDepth_ = 1;
        return;
    }
    if (inlineDepth_ == 0) {
        if (name == L"header") {
            sourceLanguage_ = normaliseLanguageCode(attributes.get(L"srclang"));
        } else if (name == L"tu" && !inUnit_) {
            // A unit without content has no variants to keep.
            if (isEmpty)
                return;
            inUnit_ = true;
            keptVariants_ = 0;
            unitIndentLength_ = indent_.size();
            unitStart_ = markupStart();
        } else if (name == L"tuv" && inUnit_) {
            const std::wstring& language = normalizedLanguage(attributes.get(xmlLangName()));
            const bool kept = targetLanguage_.empty() || language == sourceLanguage_ ||
                              languageBelongsToTarget(targetLanguage_, language);
            if (!kept) {
                if (!isEmpty)
                    dropDepth_ = 1;
                return;
            }
            ++keptVariants_;
        }
    }
    if (!isEmpty)
        ++openElements_;
    if (inlineDepth_ > 0) {
        emitLiteral(L"<");
        emit(name);
        emitAttributes(attributes);
        if (isEmpty) {
            emitLiteral(L"/>");
        } else {
            emitLiteral(L">");
            ++inlineDepth_;
        }
        return;
    }
    emit(indent_);
    emitLiteral(L"<");
    emit(name);
    emitAttributes(attributes);
    if (isEmpty) {
        emitLiteral(L"/>\n");
        return;
    }
    if (holdsText(name)) {
        emitLiteral(L">");
        inlineDepth_ = 1;
        return;
    }
    emitLiteral(L">\n");
    indent_ += kIndentUnit;
}

void SiftonParser::finishUnit() {
    inUnit_ = false;
    inlineDepth_ = 0;
    // Back to the unit's own level, whatever its content left open.
    indent_.resize(unitIndentLength_);
    if (keptVariants_ < 2) {
        keptVariants_ = 0;
        clearBuffer();
        return;
    }
    ensureDeclaration();
    output_.write(buffer_);
    ++unitsWritten_;
    keptVariants_ = 0;
    clearBuffer();
    emit(indent_);
    emitLiteral(L"</tu>\n");
    if (output_.failed())
        fail(kFailureOutput, markupStart());
}

void SiftonParser::clearBuffer() {
    if (buffer_.capacity() > kBufferKeepUnits) {
        std::wstring fresh;
        fresh.reserve(kBufferReserve);
        buffer_.swap(fresh);
    } else {
        buffer_.clear();
    }
}

void SiftonParser::endElement(const std::wstring& name, bool isEmpty) {
    if (failure_ != kFailureNone || isEmpty)
        return;
    if (dropDepth_ > 0) {
        --dropDepth_;
        return;
    }
    if (removeProps_ && name == L"prop")
        return;
    --openElements_;
    if (inUnit_ && name == L"tu") {
        finishUnit();
        return;
    }
    if (inlineDepth_ > 0) {
        emitLiteral(L"</");
        emit(name);
        emitLiteral(L">");
        if (--inlineDepth_ == 0)
            emitLiteral(L"\n");
        return;
    }
    if (indent_.size() >= kIndentUnitLength)
        indent_.resize(indent_.size() - kIndentUnitLength);
    emit(indent_);
    emitLiteral(L"</");
    emit(name);
    emitLiteral(L">\n");
}

void SiftonParser::continueFrom(const Layout& layout) {
    indent_ = layout.indent;
    openElements_ = layout.openElements;
    declarationWritten_ = layout.declarationWritten;
    sourceLanguage_ = layout.sourceLanguage;
}

void SiftonParser::onDocumentEnd() {
    if (failure_ != kFailureNone || moreToFollow_)
        return;
    // The reader does not match tags, so a cut-off file ends "cleanly"; its copy would lack the
    // rest and, for an open unit, everything after the unit's start.
    if (inUnit_) {
        fail(kFailureUnclosedElements, unitStart_);
        return;
    }
    if (openElements_ != 0 || dropDepth_ != 0) {
        fail(kFailureUnclosedElements, -1);
        return;
    }
    ensureDeclaration();
}
