#include "core/xml/XmlParser.h"

#include "core/xml/XmlParserState.h"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlStream.h"

#include <algorithm>

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

namespace {

// A parse that reads unit by unit looks at its stop flag before every run of units that the
// stream hands it: runs end after each '<' and '>', and hold at most this many units.
constexpr int32_t kCheckUnits = 2048;
// Batches of a memory source start small, for parses that read one element of a large block,
// and grow to the largest.
constexpr int32_t kFirstBatch = 512;
constexpr int32_t kLargestBatch = 16384;

using Shift = XmlMemoryStream::Shift;

// Hands the parser batches of units, with the stream position after any '<' or '>' among them.
// A stream that decodes through a memory stream is read in large batches; any other stream in
// the runs that its getChars gives.
class BatchReader {
public:
    BatchReader(XmlStream& stream, std::unique_ptr<wchar_t[]>& units, std::unique_ptr<Shift[]>& shifts,
                int32_t& capacity)
        : stream_(stream), source_(stream.memorySource()), units_(units), shifts_(shifts), capacity_(capacity) {
        if (source_ != nullptr) {
            delta_ = stream.position() - source_->position();
            unitBytes_ = source_->unitBytes();
        }
    }

    // Reads the next batch; returns its number of units, at least 1.
    int32_t next() {
        if (source_ != nullptr) {
            room_ = room_ == 0 ? kFirstBatch : std::min(room_ * 2, kLargestBatch);
            reserve(room_);
            count_ = source_->decodeBatch(units_.get(), room_, shifts_.get(), shiftCount_);
            base_ = source_->batchStart() + delta_;
        } else {
            reserve(kCheckUnits);
            count_ = stream_.getChars(units_.get(), kCheckUnits);
            if (count_ <= 0) {
                units_[0] = 0;
                count_ = 1;
            }
        }
        shiftAt_ = 0;
        extra_ = 0;
        return count_;
    }

    const wchar_t* units() const { return units_.get(); }

    // The stream position just after the '<' or '>' at index i of the batch. Indices are asked
    // for in rising order.
    int64_t positionAfter(int32_t i) {
        if (source_ == nullptr) {
            return stream_.position(); // the run ended with that unit
        }
        return base_ + bytesBefore(i + 1);
    }

    // While the parser reports the markup that ends at the '<' or '>' at index i, the stream's
    // position is just after that unit, as a stream read unit by unit would stand.
    void showPositionAfter(int32_t i) {
        if (source_ != nullptr) {
            source_->showBatchOffset(bytesBefore(i + 1));
        }
    }
    void showBatchEnd() {
        if (source_ != nullptr) {
            source_->showBatchEnd();
        }
    }

    // A parse that ends at unit i of the batch (stopped or failed) leaves the stream where a
    // parse reading its runs from getChars would: after the first '<', '>' or 0 from unit i on,
    // but at most unitsToRunEnd units further.
    void settle(int32_t i, int32_t unitsToRunEnd) {
        if (source_ == nullptr) {
            return; // read in such runs already
        }
        source_->rewindBatch(i + 1);
        wchar_t last = units_[i];
        for (; unitsToRunEnd > 0 && last != L'<' && last != L'>' && last != 0; --unitsToRunEnd) {
            last = static_cast<wchar_t>(source_->getChar());
        }
    }

private:
    void reserve(int32_t room) {
        if (capacity_ < room) {
            units_.reset(new wchar_t[room]);
            shifts_.reset(new Shift[room]);
            capacity_ = room;
        }
    }

    // The bytes of the batch before its unit i (a unit that begins a character).
    int32_t bytesBefore(int32_t i) {
        while (shiftAt_ < shiftCount_ && shifts_[shiftAt_].unit <= i) {
            extra_ = shifts_[shiftAt_].extra;
            ++shiftAt_;
        }
        return unitBytes_ * i + extra_;
    }

    XmlStream& stream_;
    XmlMemoryStream* const source_;
    std::unique_ptr<wchar_t[]>& units_;
    std::unique_ptr<Shift[]>& shifts_;
    int32_t& capacity_;
    int64_t delta_ = 0; // the stream's position minus its source's
    int64_t base_ = 0;  // the stream's position at the batch's first byte
    int32_t unitBytes_ = 1;
    int32_t room_ = 0;
    int32_t count_ = 0;
    int32_t shiftCount_ = 0;
    int32_t shiftAt_ = 0;
    int32_t extra_ = 0;
};

} // namespace

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
    BatchReader reader(stream, s.batchUnits_, s.batchShifts_, s.batchCapacity_);

    const wchar_t* units = nullptr;
    int32_t count = 0;
    int32_t i = 0;
    // The unit before which the stop flag is looked at next: after each '<' and '>', and every
    // kCheckUnits units between them, where a reading unit by unit would look.
    int64_t nextCheck = s.unitCount_;
    bool ended = false;
    while (!ended) {
        if (s.unitCount_ == nextCheck) {
            if (stopFlag_ && stopFlag_->load(std::memory_order_relaxed)) {
                stopped_ = true;
                return false;
            }
            nextCheck += kCheckUnits;
        }
        if (i == count) {
            count = reader.next();
            units = reader.units();
            i = 0;
        }
        const int32_t limit = static_cast<int32_t>(std::min<int64_t>(count, i + (nextCheck - s.unitCount_)));
        // The shortcuts read runs of units; a batch of one unit goes to the machine, so that a
        // stream that hands out one unit at a time is read by the machine alone.
        const bool several = count > 1;
        while (i < limit) {
            if (several && s.subState_ == SubState::Collect) {
                if (!s.inReference_) {
                    // Plain runs of a token skip the machine; it sees only the units that matter.
                    const wchar_t* runEnd = s.collectRun(units + i, units + limit);
                    const int32_t run = static_cast<int32_t>(runEnd - (units + i));
                    if (run > 0) {
                        s.advance(units + i, run);
                        i += run;
                        continue;
                    }
                }
            } else if (several && s.subState_ == SubState::Dispatch) {
                if (s.state_ == State::TagOpen) {
                    // A plainly written tag is read whole; nothing in it can stop the parse
                    // before its '>'.
                    const int32_t length = s.scanTag(units + i, units + count);
                    if (length > 0) {
                        const int32_t close = i + length - 1;
                        s.advance(units + i, length - 1);
                        i += length - 1;
                        reader.showPositionAfter(close);
                        s.reportScannedTag();
                        reader.showBatchEnd();
                        if (s.stopRequested) {
                            reader.settle(close, 0);
                            return s.errorCode == 0;
                        }
                        s.advance(units + i, 1);
                        ++i;
                        nextCheck = s.unitCount_;
                        break;
                    }
                } else if (s.state_ == State::Content) {
                    if (units[i] == L'<') {
                        // The '<' of markup, as the machine takes it: the text before it is
                        // delivered, and the markup begins.
                        if (!s.text_.empty()) {
                            reader.showPositionAfter(i);
                            s.deliverText();
                            reader.showBatchEnd();
                        }
                        s.state_ = State::TagOpen;
                        s.beginMarkup(reader.positionAfter(i) - bracketBytes);
                        if (s.stopRequested) {
                            reader.settle(i, 0);
                            return s.errorCode == 0;
                        }
                        s.advance(units + i, 1);
                        ++i;
                        nextCheck = s.unitCount_;
                        break;
                    }
                    const int32_t length = s.takePlainText(units + i, units + std::min(count, limit + 1));
                    if (length > 0) {
                        s.advance(units + i, length);
                        i += length;
                        continue;
                    }
                }
            }
            const wchar_t unit = units[i];
            if (unit == 0 && stream.decodingFailed()) {
                // Never let a document cut short by damaged bytes pass for a whole one.
                s.errorCode = kXmlErrorUnsupportedEncoding;
                s.errorPosition = s.unitCount_;
                ended = true;
                break;
            }
            const bool bracket = unit == L'<' || unit == L'>';
            if (bracket) {
                reader.showPositionAfter(i);
            }
            const bool stepped = s.step(unit);
            if (bracket) {
                reader.showBatchEnd();
            }
            if (!stepped) {
                s.errorPosition = s.unitCount_;
                if (unit != 0) {
                    reader.settle(i, static_cast<int32_t>(nextCheck - 1 - s.unitCount_));
                }
                ended = true;
                break;
            }
            if (s.state_ == State::TagOpen && s.subState_ == SubState::Dispatch) {
                s.beginMarkup(reader.positionAfter(i) - bracketBytes);
            }
            if (s.stopRequested) {
                reader.settle(i, static_cast<int32_t>(nextCheck - 1 - s.unitCount_));
                return s.errorCode == 0;
            }
            if (unit == 0) {
                ended = true;
                break;
            }
            s.advance(units + i, 1);
            ++i;
            if (bracket) {
                nextCheck = s.unitCount_;
                break;
            }
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

int64_t XmlParser::errorPosition() const {
    return state_->errorPosition;
}

int64_t XmlParser::markupStart() const {
    return state_->markupStart;
}

int32_t XmlParser::markupLength() const {
    return state_->markupLength;
}

int64_t XmlParser::markupByteOffset() const {
    return state_->markupByteOffset;
}

int64_t XmlParser::unitIndex() const {
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
