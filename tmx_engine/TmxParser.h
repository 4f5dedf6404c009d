#pragma once

#include "core/xml/XmlParser.h"
#include "tmx_engine/SegmentElement.h"

#include <atomic>
#include <cstdint>
#include <string>

class TmxEntrySink;
class TmxIndexBuilder;

// One pass over a TMX file that feeds the index builder: the header facts, the target languages
// met, and one entry per target tuv holding the terms of its source segment. A piece of a file
// that begins at a tu may be read on its own into a recorder (see ParallelTmxParser).
class TmxParser : public XmlParser {
public:
    explicit TmxParser(TmxIndexBuilder& builder);
    explicit TmxParser(TmxEntrySink& sink);

    // File offset of the "<" of the tu being read; polled from another thread for progress.
    uint32_t tuOffset() const { return tuOffset_.load(std::memory_order_relaxed); }
    const std::atomic<uint32_t>& tuOffsetCounter() const { return tuOffset_; }

    // For a piece read on its own: true when what it gave may depend on the text before it (a
    // tmx or header element, or a segment before any tuv, whose language would be the last
    // one the file named).
    bool needsEarlierText() const { return needsEarlierText_; }
    // For a whole document: once its root element turns out to be no tmx element, the parse
    // ends there (a file named .tmx that holds some other document, or none at all, is no
    // memory, not an empty one). Pieces, which begin at a tu, do not ask for it.
    void requireTmxRoot() { tmxRootRequired_ = true; }
    // True when the first element read was a tmx element.
    bool readTmxRoot() const { return root_ == Root::Tmx; }
    // True between translation units: the next tu begins a piece that may be read on its own.
    bool betweenUnits() const { return !inTu_ && !inSeg_ && atContent(); }
    // Trades the spare elements with the caller's: a reader of many pieces, one parser each, lends
    // them from piece to piece (their strings keep their room), so that each parser does not
    // allocate them anew under the lock of the heap that all reading threads share.
    void swapSpares(Segment& spares) { spare_.swap(spares); }

protected:
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override;
    void endElement(const std::wstring& name, bool isEmpty) override;
    void characterData(const std::wstring& text) override;
    void cdata(const std::wstring& text) override;

private:
    void appendText(const std::wstring& text);
    // A new last element of the current segment, one of the spares where there is one.
    SegmentElement& newElement();
    // Empties a segment into the spare elements.
    void recycle(Segment& segment);

    TmxEntrySink& builder_;
    std::wstring savedLanguage_;
    Segment savedSource_;
    bool inTu_ = false;
    bool inSeg_ = false;
    bool targetSegment_ = false;
    bool tuvSeen_ = false;
    bool savedSourceEntered_ = false; // the saved source went to an entry since it was saved
    bool needsEarlierText_ = false;
    bool tmxRootRequired_ = false;
    enum class Root : uint8_t { NotYet, Tmx, Other };
    Root root_ = Root::NotYet;
    std::atomic<uint32_t> tuOffset_{0};
    std::wstring language_;
    Segment current_;
    // Elements of segments read before, with the room of their strings: the next segments take
    // them over instead of allocating strings anew, unit after unit of a large file.
    Segment spare_;
    SegmentElement token_;
};
