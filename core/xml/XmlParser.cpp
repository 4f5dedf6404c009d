#include "core/xml/XmlParser.h"

#include "core/xml/XmlParserState.h"
#include "core/xml/XmlStream.h"

std::wstring xmlErrorText(int32_t code) {
    switch (code) {
    case kXmlErrorIo: return L"I/O error";
    case kXmlErrorUnsupportedEncoding: return L"Unsupported encoding";
    case kXmlErrorInvalidFormat: return L"Invalid format";
    case kXmlErrorTagBalance: return L"Tag balance";
    case kXmlErrorQuoteBalance: return L"Quote balance";
    case kXmlErrorInvalidIdentifier: return L"Invalid identifier";
    case kXmlErrorInvalidValue: return L"Invalid value";
    case kXmlErrorEntity: return L"Error in entity";
    case kXmlErrorUnclosedComment: return L"Unclosed comment";
    case kXmlErrorUnclosedEntity: return L"Unclosed entity";
    case kXmlErrorUnclosedCdata: return L"Unclosed CDATA";
    case kXmlErrorUnclosedScript: return L"Unclosed SCRIPT";
    case kXmlErrorBlockTooLarge: return L"Block too large";
    case kXmlErrorParserSpecific: return L"Parser-specific error";
    default: return L"Unspecified error";
    }
}

XmlParser::XmlParser() : state_(new XmlParserState(*this)) {}

XmlParser::~XmlParser() = default;

bool XmlParser::parse(XmlStream& stream) {
    using State = XmlParserState::State;
    using SubState = XmlParserState::SubState;
    XmlParserState& s = *state_;
    s.previous_ = 0;
    s.beforePrevious_ = 0;
    s.errorCode = 0;
    s.errorPosition = -1;
    s.markupStart = -1;
    s.markupByteOffset = -1;
    s.unitCount_ = firstUnitIndex_;
    s.markupLength = 0;
    s.stopRequested = false;
    stopped_ = false;

    const int32_t encoding = stream.encoding();
    const int32_t bracketBytes =
        encoding == kXmlEncodingUtf16Le || encoding == kXmlEncodingUtf16Be ? 2 : 1;
    constexpr int32_t kBatch = 2048;
    wchar_t units[kBatch];

    bool ended = false;
    while (!ended) {
        // One relaxed load per run of units: the runs end at every '<' and '>', so a stop is
        // seen within one piece of markup at no measurable cost.
        if (stopFlag_ && stopFlag_->load(std::memory_order_relaxed)) {
            stopped_ = true;
            return false;
        }
        int32_t count = stream.getChars(units, kBatch);
        if (count <= 0) {
            units[0] = 0;
            count = 1;
        }
        const wchar_t* p = units;
        const wchar_t* const end = units + count;
        while (p < end) {
            if (s.subState_ == SubState::Collect && !s.inReference_) {
                // Plain runs of a token skip the machine; it sees only the units that matter.
                const wchar_t* runEnd = s.collectRun(p, end);
                const ptrdiff_t run = runEnd - p;
                if (run > 0) {
                    s.beforePrevious_ = run >= 2 ? runEnd[-2] : s.previous_;
                    s.previous_ = runEnd[-1];
                    s.unitCount_ += static_cast<int32_t>(run);
                    p = runEnd;
                    continue;
                }
            }
            const wchar_t unit = *p;
            if (unit == 0 && stream.decodingFailed()) {
                // Never let a document cut short by damaged bytes pass for a whole one.
                s.errorCode = kXmlErrorUnsupportedEncoding;
                s.errorPosition = s.unitCount_;
                ended = true;
                break;
            }
            if (!s.step(unit)) {
                s.errorPosition = s.unitCount_;
                ended = true;
                break;
            }
            if (s.state_ == State::TagOpen && s.subState_ == SubState::Dispatch) {
                // The stream stops after each '<', so its position is just past this one.
                s.markupStart = s.unitCount_;
                s.markupLength = 0;
                s.markupByteOffset = stream.position() - bracketBytes;
            }
            if (s.stopRequested) {
                return s.errorCode == 0;
            }
            if (unit == 0) {
                ended = true;
                break;
            }
            s.beforePrevious_ = s.previous_;
            s.previous_ = unit;
            ++s.unitCount_;
            ++p;
        }
    }

    if (s.errorCode != kXmlErrorUnsupportedEncoding) {
        int32_t unclosed = 0;
        if (s.inReference_) {
            unclosed = kXmlErrorUnclosedEntity;
        } else if (s.state_ == State::Comment) {
            unclosed = kXmlErrorUnclosedComment;
        } else if (s.state_ == State::Cdata) {
            unclosed = kXmlErrorUnclosedCdata;
        }
        if (unclosed != 0) {
            s.errorCode = unclosed;
            if (s.errorPosition < 0) {
                s.errorPosition = s.unitCount_;
            }
        }
    }
    if (s.errorCode != 0) {
        s.emptyAccumulators();
        onParseError();
        return false;
    }
    onDocumentEnd();
    return true;
}

int32_t XmlParser::errorCode() const {
    return state_->errorCode;
}

int32_t XmlParser::errorPosition() const {
    return state_->errorPosition;
}

int32_t XmlParser::markupStart() const {
    return state_->markupStart;
}

int32_t XmlParser::markupLength() const {
    return state_->markupLength;
}

int64_t XmlParser::markupByteOffset() const {
    return state_->markupByteOffset;
}

int32_t XmlParser::unitIndex() const {
    return state_->unitCount_;
}

bool XmlParser::atContent() const {
    const XmlParserState& s = *state_;
    return s.state_ == XmlParserState::State::Content &&
           s.subState_ != XmlParserState::SubState::Keyword && !s.inReference_;
}

void XmlParser::stop() {
    state_->stopRequested = true;
}
