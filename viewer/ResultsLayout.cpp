#include "viewer/ResultsLayout.h"

#include "core/util/StringUtils.h"
#include "tmx_engine/WordTokenizer.h"

#include <algorithm>

namespace {

const std::wstring kEllipsis = L"...";

bool isMatchedWord(const SegmentElement& element, const std::set<std::wstring>& matchedWords) {
    if (element.kind != SegmentElementKind::Word || matchedWords.empty())
        return false;
    return matchedWords.count(element.extra.empty() ? toLowerCase(element.text) : element.extra) != 0;
}

bool isTextKind(SegmentElementKind kind) {
    return kind == SegmentElementKind::Other || kind == SegmentElementKind::Word ||
           kind == SegmentElementKind::Punctuation || kind == SegmentElementKind::Space;
}

// The run's size and whether it is drawn as a shape; hidden tags take no room.
SIZE runSize(const SegmentElement& element, bool ellipsis, bool matched, const RunLayoutOptions& options,
             RunMeasurer& measurer, bool& shape) {
    shape = false;
    if (ellipsis)
        return measurer.measure(kEllipsis, false);
    const std::wstring& text =
        element.kind == SegmentElementKind::Space && !element.extra.empty() ? element.extra : element.text;
    if (isTextKind(element.kind))
        return measurer.measure(text, matched);
    const bool placeholder = element.kind == SegmentElementKind::Placeholder;
    if (placeholder ? !options.showPlaceholders : !options.showTags)
        return SIZE{0, 0};
    const SIZE size = measurer.measure(text, false);
    shape = true;
    if (placeholder || element.kind == SegmentElementKind::EmptyTag)
        return SIZE{std::max(size.cx + size.cy / 3, size.cy - 4), size.cy};
    return SIZE{size.cx + (size.cy * 3) / 5, size.cy};
}

// How a run of white space shows: a tab as four blanks, line breaks as the ends of lines.
struct WhiteSpaceShape {
    std::wstring onThisLine;  // before the first line break
    std::wstring onNextLine;  // after the last one
    int32_t lineBreaks = 0;   // CR LF counts once
};

bool needsWhiteSpaceShape(const std::wstring& text) {
    for (const wchar_t c : text) {
        if (c == L'\t' || isLineBreak(c))
            return true;
    }
    return false;
}

WhiteSpaceShape whiteSpaceShape(const std::wstring& text) {
    WhiteSpaceShape shape;
    std::wstring* line = &shape.onThisLine;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (isLineBreak(c)) {
            if (!(c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n'))
                ++shape.lineBreaks;
            shape.onNextLine.clear();
            line = &shape.onNextLine;
        } else if (c == L'\t') {
            line->append(4, L' ');
        } else {
            *line += c;
        }
    }
    return shape;
}

} // namespace

bool isEllipsisRun(const Segment& segment, size_t run) {
    return segment.size() > kMaxRuns && run == kMaxRuns - 1;
}

const std::wstring& runText(const Segment& segment, size_t run) {
    return isEllipsisRun(segment, run) ? kEllipsis : segment[run].text;
}

void layoutSegmentRuns(const Segment& segment, const std::set<std::wstring>& matchedWords,
                       const RunLayoutOptions& options, RunMeasurer& measurer, RowLayout& layout) {
    const size_t count = std::min(segment.size(), kMaxRuns);
    layout.runs.assign(count, SegmentRun());
    for (size_t i = 0; i < count; ++i) {
        if (!isEllipsisRun(segment, i) && isMatchedWord(segment[i], matchedWords))
            layout.runs[i].flags |= RunMatched;
    }
    // A space between two matched words belongs to the matched phrase.
    for (size_t i = 2; i < count; ++i) {
        if ((layout.runs[i].flags & RunMatched) && (layout.runs[i - 2].flags & RunMatched) &&
            segment[i - 1].kind == SegmentElementKind::Space)
            layout.runs[i - 1].flags |= RunMatched;
    }

    int32_t left = kRunsLeft;
    int32_t top = kRunsTop;
    bool previousShape = false;
    for (size_t i = 0; i < count; ++i) {
        SegmentRun& run = layout.runs[i];
        const SegmentElement& element = segment[i];
        const bool matched = (run.flags & RunMatched) != 0;
        bool shape = false;
        SIZE size;
        // White space that holds tabs or line breaks: its blanks before the first break stand on
        // this line, and the text goes on at the start of a new one after the last break.
        WhiteSpaceShape blanks;
        const std::wstring& spaceText = element.extra.empty() ? element.text : element.extra;
        const bool shapedSpace = element.kind == SegmentElementKind::Space && !isEllipsisRun(segment, i) &&
                                 needsWhiteSpaceShape(spaceText);
        if (shapedSpace) {
            blanks = whiteSpaceShape(spaceText);
            size = measurer.measure(blanks.onThisLine.empty() ? std::wstring(L" ") : blanks.onThisLine, matched);
            if (blanks.onThisLine.empty())
                size.cx = 0;
        } else {
            size = runSize(element, isEllipsisRun(segment, i), matched, options, measurer, shape);
        }
        if (shape)
            run.flags |= RunShape;
        if (i > 0 && (shape || previousShape))
            left += 3;
        if (left + size.cx > options.columnWidth - kRunsLeft && left > kRunsLeft) {
            top += size.cy + 1;
            left = kRunsLeft;
        }
        run.rect = winui::Rect(left, top, left + size.cx, top + size.cy);
        left = run.rect.right;
        if (blanks.lineBreaks > 0) {
            top += blanks.lineBreaks * (size.cy + 1);
            left = kRunsLeft + (blanks.onNextLine.empty() ? 0 : measurer.measure(blanks.onNextLine, matched).cx);
        }
        previousShape = shape;
    }
    // The lowest run ends the row; a hidden tag at the end (a run of no height) does not cut it.
    int32_t bottom = kEmptyRowHeight;
    if (count > 0) {
        int32_t lowest = 0;
        for (const SegmentRun& run : layout.runs)
            lowest = std::max(lowest, run.rect.bottom);
        bottom = lowest + kRunsBottomMargin;
    }
    layout.box = winui::Rect(0, 0, options.columnWidth, bottom);
}

int32_t runAt(const RowLayout& layout, int32_t x, int32_t y) {
    for (size_t i = 0; i < layout.runs.size(); ++i) {
        const winui::Rect& r = layout.runs[i].rect;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return static_cast<int32_t>(i);
    }
    return -1;
}

winui::Rect runsBounds(const RowLayout& layout) {
    if (layout.runs.empty())
        return winui::Rect();
    winui::Rect bounds = layout.runs.front().rect;
    for (const SegmentRun& run : layout.runs) {
        bounds.left = std::min(bounds.left, run.rect.left);
        bounds.top = std::min(bounds.top, run.rect.top);
        bounds.right = std::max(bounds.right, run.rect.right);
        bounds.bottom = std::max(bounds.bottom, run.rect.bottom);
    }
    return bounds;
}

Segment selectedRunElements(const Segment& segment, int32_t first, int32_t last) {
    if (first < 0 || last < 0)
        return Segment();
    if (first > last)
        std::swap(first, last);
    size_t end = std::min(static_cast<size_t>(last) + 1, segment.size());
    if (segment.size() > kMaxRuns)
        end = std::min(end, kMaxRuns - 1);
    if (static_cast<size_t>(first) >= end)
        return Segment();
    return Segment(segment.begin() + first, segment.begin() + static_cast<std::ptrdiff_t>(end));
}

RowLayoutCache::RowLayoutCache(size_t capacity) : capacity_(capacity < 1 ? 1 : capacity) {}

const RowLayout* RowLayoutCache::find(int32_t row) {
    auto found = entries_.find(row);
    if (found == entries_.end())
        return nullptr;
    order_.splice(order_.begin(), order_, found->second);
    return found->second->layout.get();
}

const RowLayout* RowLayoutCache::store(int32_t row, std::unique_ptr<RowLayout> layout) {
    auto found = entries_.find(row);
    if (found != entries_.end()) {
        found->second->layout = std::move(layout);
        order_.splice(order_.begin(), order_, found->second);
        return order_.front().layout.get();
    }
    if (entries_.size() >= capacity_) {
        entries_.erase(order_.back().row);
        order_.pop_back();
    }
    order_.push_front(Entry{row, std::move(layout)});
    entries_[row] = order_.begin();
    return order_.front().layout.get();
}

void RowLayoutCache::clear() {
    entries_.clear();
    order_.clear();
}
