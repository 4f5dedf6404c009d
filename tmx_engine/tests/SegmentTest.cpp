#include "tmx_engine/Segment.h"

#include <gtest/gtest.h>

namespace {

using K = SegmentElementKind;

TEST(SegmentTest, XmlEventsBecomeElementsInDocumentOrder) {
    // A <ph x="1"/> B <g id="1">x</g><x/><ph>p</ph>
    Segment s;
    appendSegmentText(s, L"A ");
    appendSegmentStartTag(s, L"ph", true, L"1", L" x=\"1\"");
    appendSegmentEndTag(s, L"ph", true);
    appendSegmentText(s, L" B ");
    appendSegmentStartTag(s, L"g", false, L"", L" id=\"1\"");
    appendSegmentText(s, L"x");
    appendSegmentEndTag(s, L"g", false);
    appendSegmentStartTag(s, L"x", true, L"", L"");
    appendSegmentEndTag(s, L"x", true);
    appendSegmentStartTag(s, L"ph", false, L"", L"");
    appendSegmentText(s, L"p");
    appendSegmentEndTag(s, L"ph", false);
    appendSegmentStartTag(s, L"PH", true, L"2", L" x=\"2\"");

    const Segment expected = {
        {K::Word, L"A", L"a"},       {K::Space, L" "},
        {K::Placeholder, L"1"},      {K::Space, L" "},
        {K::Word, L"B", L"b"},       {K::Space, L" "},
        {K::OpeningTag, L"g", L" id=\"1\""},
        {K::Word, L"x", L"x"},       {K::ClosingTag, L"g"},
        {K::EmptyTag, L"x"},         {K::OpeningTag, L"ph"},
        {K::Word, L"p", L"p"},       {K::ClosingTag, L"ph"},
        {K::EmptyTag, L"PH", L" x=\"2\""},
    };
    EXPECT_EQ(s, expected);
    EXPECT_TRUE(segmentHasTags(s));

    Segment placeholderOnly;
    appendSegmentText(placeholderOnly, L"A ");
    appendSegmentStartTag(placeholderOnly, L"ph", true, L"", L"");
    EXPECT_EQ(placeholderOnly.back(), SegmentElement(K::Placeholder, L""));
    EXPECT_FALSE(segmentHasTags(placeholderOnly));
    EXPECT_FALSE(segmentHasTags(Segment()));
}

TEST(SegmentTest, TagPairingFailsOnlyWhenAClosingTagMeetsAnotherOpenTag) {
    auto open = [](const wchar_t* n) { return SegmentElement(K::OpeningTag, n); };
    auto close = [](const wchar_t* n) { return SegmentElement(K::ClosingTag, n); };
    const SegmentElement word(K::Word, L"x", L"x");
    const SegmentElement empty(K::EmptyTag, L"br");
    const struct {
        Segment segment;
        bool paired;
    } cases[] = {
        {{}, true},
        {{open(L"g"), word, close(L"g")}, true},
        {{open(L"b"), open(L"i"), word, close(L"b"), close(L"i")}, false},
        {{word, close(L"b")}, true},
        {{open(L"b"), word}, true},
        {{open(L"b"), empty, close(L"b")}, true},
        {{open(L"b"), close(L"B")}, false},
        {{close(L"i"), open(L"b"), close(L"b"), close(L"x")}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkTagPairing(c.segment), c.paired);
}

} // namespace

#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"

namespace {

// Collects the content of one <seg> element as a reader of segments does.
class SegReader : public XmlParser {
public:
    explicit SegReader(bool keepAttributes) : keep_(keepAttributes) {}
    Segment segment;

    void startElement(const std::wstring& name, const XmlAttributes& a, bool isEmpty) override {
        if (inSeg_)
            appendSegmentStartTag(segment, name, a, isEmpty, keep_);
        else if (name == L"seg")
            inSeg_ = true;
    }
    void endElement(const std::wstring& name, bool isEmpty) override {
        if (!inSeg_)
            return;
        if (name == L"seg" && !isEmpty)
            inSeg_ = false;
        else
            appendSegmentEndTag(segment, name, isEmpty);
    }
    void characterData(const std::wstring& text) override {
        if (inSeg_)
            appendSegmentText(segment, text);
    }
    void cdata(const std::wstring& text) override { characterData(text); }

private:
    bool keep_;
    bool inSeg_ = false;
};

Segment readSeg(const std::string& xml, bool keepAttributes = true) {
    SegReader reader(keepAttributes);
    XmlMemoryStream stream(xml.data(), 3, static_cast<int32_t>(xml.size()));
    EXPECT_TRUE(reader.parse(stream)) << xml;
    return reader.segment;
}

TEST(SegmentTest, SegmentsFromTheXmlReader) {
    const Segment s = readSeg(
        "<seg>A &amp; <ph x=\"1\"/><g id=\"1\" ctype=\"x&amp;&lt;\">b</g><![CDATA[c<d]]>"
        "<bpt i='2' x='say \"hi\"'/><it v=\"&apos;&quot;\"/><!-- no --><ph/><ph x=\"2\">p</ph></seg>");
    const Segment expected = {
        {K::Word, L"A", L"a"},
        {K::Space, L" "},
        {K::Word, L"&", L"&"},
        {K::Space, L" "},
        {K::Placeholder, L"1"},
        {K::OpeningTag, L"g", L" ctype=\"x&amp;&lt;\" id=\"1\""},
        {K::Word, L"b", L"b"},
        {K::ClosingTag, L"g"},
        {K::Word, L"c", L"c"},
        {K::Other, L"<"},
        {K::Word, L"d", L"d"},
        {K::EmptyTag, L"bpt", L" i=\"2\" x='say \"hi\"'"},
        {K::EmptyTag, L"it", L" v=\"'&quot;\""},
        {K::Placeholder, L""},
        {K::OpeningTag, L"ph", L" x=\"2\""},
        {K::Word, L"p", L"p"},
        {K::ClosingTag, L"ph"},
    };
    EXPECT_EQ(s, expected);
    EXPECT_TRUE(checkTagPairing(s));

    const Segment bare = readSeg("<seg><g id=\"1\">b</g><ph x=\"3\"/></seg>", false);
    const Segment bareExpected = {{K::OpeningTag, L"g"}, {K::Word, L"b", L"b"},
                                  {K::ClosingTag, L"g"}, {K::Placeholder, L"3"}};
    EXPECT_EQ(bare, bareExpected);
    EXPECT_TRUE(readSeg("<seg></seg>").empty());
}

} // namespace
