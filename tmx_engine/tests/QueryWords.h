#pragma once

#include "tmx_engine/SegmentElement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The words of a query as the tables of the query tests write them: each word's text and its
// lower-cased form, "text/lower", separated by blanks. Anything but a word fails the test.
inline std::wstring queryWords(const std::vector<SegmentElement>& list) {
    std::wstring out;
    for (const SegmentElement& w : list) {
        EXPECT_EQ(w.kind, SegmentElementKind::Word);
        if (!out.empty())
            out += L' ';
        out += w.text + L'/' + w.extra;
    }
    return out;
}
