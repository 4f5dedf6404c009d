#include "tmx_engine/SegmentRenderer.h"

#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

SegmentElement word(const std::wstring& text) {
    std::wstring lower = text;
    for (wchar_t& c : lower) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return SegmentElement(SegmentElementKind::Word, text, lower);
}
SegmentElement space() { return SegmentElement(SegmentElementKind::Space, L" "); }
SegmentElement other(const std::wstring& text) { return SegmentElement(SegmentElementKind::Other, text); }
SegmentElement punct(const std::wstring& text) {
    return SegmentElement(SegmentElementKind::Punctuation, text);
}
SegmentElement ph(const std::wstring& x) { return SegmentElement(SegmentElementKind::Placeholder, x); }
SegmentElement emptyTag(const std::wstring& name, const std::wstring& attributes) {
    return SegmentElement(SegmentElementKind::EmptyTag, name, attributes);
}
SegmentElement open(const std::wstring& name, const std::wstring& attributes = L"") {
    return SegmentElement(SegmentElementKind::OpeningTag, name, attributes);
}
SegmentElement close(const std::wstring& name) {
    return SegmentElement(SegmentElementKind::ClosingTag, name);
}

struct RenderCase {
    const char* name;
    Segment segment;
    std::wstring xml;       // renderSegmentXml
    std::wstring plain;     // renderSegmentText (false, false)
    std::wstring braces;    // renderSegmentText (true, false)
    std::wstring markup;    // renderSegmentText (true, true)
};

} // namespace

TEST(SegmentRendererTest, EachElementKindUnderTheThreeFlagCombinations) {
    const RenderCase cases[] = {
        {"empty", {}, L"", L"", L"", L""},
        {"text kinds are escaped only in markup",
         {word(L"a"), space(), punct(L"<"), space(), other(L"2&3"), space(), punct(L"\""),
          word(L"it's"), punct(L">")},
         L"a &lt; 2&amp;3 &quot;it&apos;s&gt;", L"a < 2&3 \"it's>", L"a < 2&3 \"it's>",
         L"a < 2&3 \"it's>"},
        {"placeholders without tags stay braces even with both flags",
         {word(L"A"), space(), ph(L"1"), space(), word(L"B")},
         L"A <ph type=\"x-LPH\" x=\"1\"/> B", L"A  B", L"A {1} B", L"A {1} B"},
        {"an empty tag",
         {emptyTag(L"x", L" id=\"2\""), word(L"a&b")},
         L"<x id=\"2\"/>a&amp;b", L"a&b", L"a&b", L"<x id=\"2\"/>a&amp;b"},
        {"opening and closing tags around text and a placeholder",
         {open(L"bpt", L" i=\"1\" x=\"2\""), word(L"it's"), ph(L"7"), close(L"bpt")},
         L"<bpt i=\"1\" x=\"2\">it&apos;s<ph type=\"x-LPH\" x=\"7\"/></bpt>", L"it's", L"it's{7}",
         L"<bpt i=\"1\" x=\"2\">it&apos;s<ph type=\"x-LPH\" x=\"7\"/></bpt>"},
        {"a closing tag alone still switches markup on",
         {word(L"x"), punct(L"<"), close(L"g")},
         L"x&lt;</g>", L"x<", L"x<", L"x&lt;</g>"},
    };
    for (const RenderCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(renderSegmentXml(c.segment), c.xml);
        EXPECT_EQ(renderSegmentText(c.segment, false, false), c.plain);
        EXPECT_EQ(renderSegmentText(c.segment, true, false), c.braces);
        EXPECT_EQ(renderSegmentText(c.segment, true, true), c.markup);
        // Tags shown, placeholders hidden: tags as markup, placeholders dropped.
        std::wstring tagsOnly = renderSegmentText(c.segment, false, true);
        EXPECT_EQ(tagsOnly.find(L"x-LPH"), std::wstring::npos);
    }
}

TEST(SegmentRendererTest, RangesRenderOnlyTheirElements) {
    Segment segment = {open(L"b"), word(L"bold"), close(L"b"), space(), word(L"plain")};
    EXPECT_EQ(renderSegmentXml(segment.data() + 1, 2), L"bold</b>");
    EXPECT_EQ(renderSegmentText(segment.data() + 3, 2, true, true), L" plain");
    EXPECT_EQ(renderSegmentText(segment.data(), 0, true, true), L"");
}

TEST(SegmentRendererTest, ValuesOfAttributesAndPlaceholdersAreEscaped) {
    struct Case {
        Segment segment;
        std::wstring xml;
    };
    const Case cases[] = {
        // Plain values come out byte for byte.
        {{open(L"g", L" id=\"1\" xid=\"ab12\""), close(L"g")}, L"<g id=\"1\" xid=\"ab12\"></g>"},
        {{ph(L"abc123")}, L"<ph type=\"x-LPH\" x=\"abc123\"/>"},
        // Ampersands, less-than signs and the value's own quote become entities.
        {{open(L"a", L" href=\"x?a=1&b=<2>\"")}, L"<a href=\"x?a=1&amp;b=&lt;2>\">"},
        {{ph(L"say \"&<\" it's")}, L"<ph type=\"x-LPH\" x=\"say &quot;&amp;&lt;&quot; it's\"/>"},
        // A value holding a double quote came between apostrophes and keeps them.
        {{emptyTag(L"x", L" t='say \"hi\"'")}, L"<x t='say \"hi\"'/>"},
        {{emptyTag(L"x", L" a=\"1\" t='it's \"so\"' z=\"&\"")},
         L"<x a=\"1\" t='it&apos;s \"so\"' z=\"&amp;\"/>"},
        // References already in the text are kept (only the predefined ones and character
        // references, which every reader knows); other ampersands are escaped.
        {{open(L"g", L" a=\"x&amp;y&lt;&#233;&#xE9;\" b=\"&nbsp;&#;&\"")},
         L"<g a=\"x&amp;y&lt;&#233;&#xE9;\" b=\"&amp;nbsp;&amp;#;&amp;\">"},
        {{ph(L"&amp;")}, L"<ph type=\"x-LPH\" x=\"&amp;amp;\"/>"},
        // Attribute text of no known shape still cannot open markup.
        {{open(L"x", L" broken=\"a<b")}, L"<x broken=\"a&lt;b>"},
        // TAB, LF and CR in values as references (raw, a reader gives them back as blanks); a CR
        // in text as a reference too (raw, a reader gives it back as LF).
        {{open(L"g", L" a=\"1\t2\n3\r4\" b='\"\n'"), ph(L"x\ny")},
         L"<g a=\"1&#9;2&#10;3&#13;4\" b='\"&#10;'><ph type=\"x-LPH\" x=\"x&#10;y\"/>"},
        {{word(L"a"), SegmentElement(SegmentElementKind::Space, L"\r\n\t"), word(L"b")}, L"a&#13;\n\tb"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(renderSegmentXml(c.segment), c.xml);
    // The text renderer's markup mode writes tags the same way.
    EXPECT_EQ(renderSegmentText(Segment{open(L"a", L" href=\"&\""), word(L"x")}, true, true),
              L"<a href=\"&amp;\">x");
}

namespace {

// Collects what the XML reader reports, to see rendered markup as another reader sees it.
class Recorder : public XmlParser {
public:
    void startElement(const std::wstring& name, const XmlAttributes& attributes,
                      bool isEmpty) override {
        names.push_back(name);
        markups.push_back(attributes.toMarkup());
        std::vector<std::pair<std::wstring, std::wstring>> values;
        for (size_t i = 0; i < attributes.size(); ++i)
            values.emplace_back(attributes.nameAt(i), attributes.valueAt(i));
        attributeValues.push_back(values);
    }
    void characterData(const std::wstring& text) override { this->text += text; }

    std::vector<std::wstring> names;
    std::vector<std::wstring> markups;
    std::vector<std::vector<std::pair<std::wstring, std::wstring>>> attributeValues;
    std::wstring text;
};

bool parseMarkup(const std::wstring& markup, Recorder& recorder) {
    XmlMemoryStream stream(markup.data(), kXmlEncodingUtf16Le,
                           static_cast<int32_t>(markup.size() * sizeof(wchar_t)));
    return recorder.parse(stream);
}

} // namespace

TEST(SegmentRendererTest, RenderedMarkupReadsBackToTheSameValues) {
    // A tag as the reader delivers it, values holding every markup character.
    Recorder source;
    ASSERT_TRUE(parseMarkup(L"<seg><bpt a=\"x&amp;y&lt;z&gt;\" b='say \"hi\"' c=\"it's &quot;so&quot;\""
                            L" d=\"1&#9;2&#10;3&#13;4\"/><ph x='&quot;&amp;&lt;&#10;'/></seg>",
                            source));
    ASSERT_EQ(source.names.size(), 3u);
    const std::wstring placeholder = source.attributeValues[2][0].second;
    Segment segment = {emptyTag(L"bpt", source.markups[1]), word(L"a<b"), ph(placeholder),
                       punct(L"&"), SegmentElement(SegmentElementKind::Space, L"\r\n\t\r")};

    Recorder rendered;
    ASSERT_TRUE(parseMarkup(L"<seg>" + renderSegmentXml(segment) + L"</seg>", rendered));
    ASSERT_EQ(rendered.names, (std::vector<std::wstring>{L"seg", L"bpt", L"ph"}));
    EXPECT_EQ(rendered.attributeValues[1], source.attributeValues[1]);
    EXPECT_EQ(rendered.attributeValues[1][3].second, L"1\t2\n3\r4");
    EXPECT_EQ(rendered.attributeValues[2][1].second, L"\"&<\n");
    EXPECT_EQ(rendered.text, L"a<b&\r\n\t\r");
}
