#pragma once

#include "core/xml/XmlParser.h"
#include "tmx_engine/SegmentElement.h"

#include <atomic>
#include <cstdint>
#include <string>

class TmxIndexBuilder;

// One pass over a whole TMX file that feeds the index builder: the header facts, the target
// languages met, and one entry per target tuv holding the terms of its source segment.
class TmxParser : public XmlParser {
public:
    explicit TmxParser(TmxIndexBuilder& builder);

    // File offset of the "<" of the tu being read; polled from another thread for progress.
    uint32_t tuOffset() const { return tuOffset_.load(std::memory_order_relaxed); }

protected:
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override;
    void endElement(const std::wstring& name, bool isEmpty) override;
    void characterData(const std::wstring& text) override;
    void cdata(const std::wstring& text) override;

private:
    void appendText(const std::wstring& text);

    TmxIndexBuilder& builder_;
    std::wstring savedLanguage_;
    Segment savedSource_;
    bool inTu_ = false;
    bool inSeg_ = false;
    bool targetSegment_ = false;
    std::atomic<uint32_t> tuOffset_{0};
    std::wstring language_;
    Segment current_;
};
