#include "core/tests/XmlTestSupport.h"

#include "core/xml/XmlAttributes.h"
#include "core/xml/XmlEntities.h"
#include "core/xml/XmlEntityTable.inc"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

using xmltest::parseText;

TEST(XmlEntitiesTest, NamedTableRows) {
    struct Row {
        const wchar_t* name;
        uint16_t value;
    };
    static const Row rows[] = {
        {L"amp", 38}, {L"lt", 60}, {L"gt", 62}, {L"quot", 34}, {L"apos", 39}, {L"nbsp", 160},
        {L"circ", 94}, {L"lang", 12296}, {L"rang", 12297}, {L"lrm", 8206}, {L"rlm", 8207},
        {L"lsaquo", 8249}, {L"rsaquo", 8250}, {L"bdquo", 8222}, {L"inodot", 305},
        {L"b.alpha", 945}, {L"b.Omega", 937}, {L"b.epsi", 949}, {L"Aacute", 193},
        {L"aacute", 225}, {L"aacgr", 0x03AC}, {L"ZHcy", 0x0416}, {L"boxDL", 0x2557}, {L"boxdL", 0x2555}, {L"boxVh", 0x256B}, {L"boxhU", 0x2568},
        {L"frac12", 189}, {L"euro", 0}, {L"AMP", 0}, {L"ampx", 0}, {L"", 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(resolveEntity(row.name), row.value) << testing::PrintToString(std::wstring(row.name));
    }
    for (const wchar_t* name : {L"fjlig", L"gnap", L"jnodot", L"lnap", L"lpargt", L"nsmid", L"prnE",
                                L"rpargt", L"scnE", L"smid", L"vsubnE"}) {
        EXPECT_EQ(resolveEntity(name), 0xFFFD) << testing::PrintToString(std::wstring(name));
    }
}

TEST(XmlEntitiesTest, NamedTableHoldsEachNameOnceAndFindsEveryRow) {
    using namespace xml_entity_table;
    ASSERT_EQ(kCount, 982);
    EXPECT_STREQ(kRows[0].name, "aacgr");
    EXPECT_STREQ(kRows[kCount - 1].name, "ZHcy");
    std::set<std::string> names;
    for (const NamedEntity& row : kRows) {
        EXPECT_LE(std::strlen(row.name), 8u) << row.name;
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
        const std::wstring name(row.name, row.name + std::strlen(row.name));
        EXPECT_EQ(resolveEntity(name), row.value) << row.name;
        EXPECT_NE(row.value, 0) << row.name;
    }
}

TEST(XmlEntitiesTest, NumericReferences) {
    struct Case {
        const wchar_t* name;
        uint32_t codePoint;
    };
    static const Case cases[] = {
        {L"#38", 38}, {L"#x26", 38}, {L"#9", 9}, {L"#xe9", 0xE9}, {L"#xE9", 0xE9},
        {L"#X26", 0}, {L"#x", 0}, {L"#", 0}, {L"#12a", 0}, {L"#xg", 0}, {L"#0", 0}, {L"#x0", 0},
        {L"#x1F600", 0x1F600}, {L"#1114111", 0x10FFFF}, {L"#x110000", 0}, {L"#1114112", 0},
        {L"#xD800", 0}, {L"#57343", 0}, {L"#xFFFF", 0xFFFF}, {L"#65536", 0x10000},
        {L"#99999999", 0}, {L"#xFFFFFFF", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolveEntityCodePoint(c.name), c.codePoint) << testing::PrintToString(std::wstring(c.name));
        EXPECT_EQ(resolveEntity(c.name), c.codePoint <= 0xFFFF ? c.codePoint : 0)
            << testing::PrintToString(std::wstring(c.name));
    }
}

TEST(XmlEntitiesTest, ReferencesInTextAndValues) {
    struct Case {
        const wchar_t* input;
        const wchar_t* events;
    };
    static const Case cases[] = {
        {L"<r>&amp;&#38;&#x26;</r>", L"start r {} | text [&&&] | end r | done"},
        {L"<r>&#9;&#xe9;&#xE9;&b.alpha;</r>", L"start r {} | text [\t\x00e9\x00e9\x03b1] | end r | done"},
        {L"<r>&#X26;&unknown;&toolongname;</r>",
         L"start r {} | text [&#X26;&unknown;&toolongname;] | end r | done"},
        {L"<r>a & b&</r>", L"start r {} | text [a & b&</r>] | done"},
        {L"<r>a&<b</r>", L"start r {} | text [a&<b] | end r | done"},
        {L"<r>&#x1F600;&#128512;</r>",
         L"start r {} | text [\xD83D\xDE00\xD83D\xDE00] | end r | done"},
        {L"<r>&#0;&#xD800;&#x110000;&#xDFFF;</r>",
         L"start r {} | text [&#0;&#xD800;&#x110000;&#xDFFF;] | end r | done"},
        {L"<a b=\"&lt;&#x1F600;&gt;\" c='&am'p;'>",
         L"start a {b=<\xD83D\xDE00>,c=&am'p;} | done"},
        {L"<a b=x&quot;y>", L"start a {b=x\"y} | done"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseText(c.input), c.events) << testing::PrintToString(std::wstring(c.input));
    }
}

TEST(XmlEntitiesTest, EscapingForWriting) {
    EXPECT_EQ(xmlEscapedCopy(L"a<b&\"c\""), L"a&lt;b&amp;&quot;c&quot;");
    EXPECT_EQ(xmlEscapedCopy(L"it's > 1 \x00e9"), L"it&apos;s &gt; 1 \x00e9");
    EXPECT_EQ(xmlEscapedCopy(L""), L"");
    std::wstring destination = L"x=";
    escapeXml(destination, L"<&>");
    EXPECT_EQ(destination, L"x=&lt;&amp;&gt;");
    EXPECT_EQ(xmlEscapedCopy(L"a\r\n\tb"), L"a\r\n\tb");
}

TEST(XmlEntitiesTest, EscapingBySet) {
    const wchar_t* text = L"<a href=\"x\">it's & \xE9\tTAB\nLF\rCR</a>";
    const struct {
        unsigned set;
        const wchar_t* escaped;
    } cases[] = {
        {0, L"<a href=\"x\">it's & \xE9\tTAB\nLF\rCR</a>"},
        {kXmlEscapeAmpLt, L"&lt;a href=\"x\">it's &amp; \xE9\tTAB\nLF\rCR&lt;/a>"},
        {kXmlEscapeCr, L"<a href=\"x\">it's & \xE9\tTAB\nLF&#13;CR</a>"},
        {kXmlEscapeTabLf | kXmlEscapeQuot,
         L"<a href=&quot;x&quot;>it's & \xE9&#9;TAB&#10;LF\rCR</a>"},
        {kXmlEscapeText,
         L"&lt;a href=&quot;x&quot;&gt;it&apos;s &amp; \xE9\tTAB\nLF&#13;CR&lt;/a&gt;"},
        {kXmlEscapeAttribute,
         L"&lt;a href=&quot;x&quot;&gt;it&apos;s &amp; \xE9&#9;TAB&#10;LF&#13;CR&lt;/a&gt;"},
    };
    for (const auto& c : cases) {
        std::wstring out = L"=";
        escapeXml(out, text, c.set);
        EXPECT_EQ(out, std::wstring(L"=") + c.escaped) << "set " << c.set;
    }
}

TEST(XmlAttributesTest, MapOrderedByNameWithSharedEmptyValue) {
    XmlAttributes attributes;
    EXPECT_TRUE(attributes.get(L"x").empty());
    attributes.set(L"tuid", L"7");
    attributes.set(L"Z", L"upper");
    attributes.set(L"a", L"1");
    attributes.set(L"tuid", L"8");
    ASSERT_EQ(attributes.size(), 3u);
    EXPECT_EQ(attributes.nameAt(0), L"Z");
    EXPECT_EQ(attributes.nameAt(1), L"a");
    EXPECT_EQ(attributes.nameAt(2), L"tuid");
    EXPECT_EQ(attributes.get(L"tuid"), L"8");
    EXPECT_TRUE(attributes.contains(L"a"));
    EXPECT_FALSE(attributes.contains(L"A"));
    EXPECT_EQ(&attributes.get(L"missing"), &XmlAttributes().get(L"other"));
    attributes.clear();
    EXPECT_TRUE(attributes.empty());
    EXPECT_TRUE(attributes.get(L"tuid").empty());
    attributes.set(L"b", L"2");
    EXPECT_EQ(attributes.toMarkup(), L" b=\"2\"");
}

// Against a plain map as the reference: names in any order, set again with new values, across
// the point where insertion in place gives way to one sort, and after a clear that keeps the
// storage.
TEST(XmlAttributesTest, ManyAttributesInAnyOrderMatchAMap) {
    XmlAttributes attributes;
    for (const size_t count : {size_t(3), size_t(15), size_t(16), size_t(17), size_t(40), size_t(5000)}) {
        SCOPED_TRACE(count);
        attributes.clear();
        std::map<std::wstring, std::wstring> reference;
        uint32_t state = 7;
        for (size_t i = 0; i < count + count / 3; ++i) {
            state = state * 1103515245u + 12345u;
            // Every third set repeats an earlier name with a new value.
            const size_t key = i < count ? (state >> 8) % 100000 : (state >> 8) % (i + 1);
            const std::wstring name = L"a" + std::to_wstring(key);
            const std::wstring value = std::to_wstring(i);
            attributes.set(name, value);
            reference[name] = value;
            if (i % 97 == 0) {
                // A read between sets sees every value set so far.
                ASSERT_EQ(attributes.get(name), value);
            }
        }
        ASSERT_EQ(attributes.size(), reference.size());
        size_t index = 0;
        std::wstring markup;
        for (const auto& entry : reference) {
            ASSERT_EQ(attributes.nameAt(index), entry.first);
            ASSERT_EQ(attributes.valueAt(index), entry.second);
            ASSERT_EQ(attributes.get(entry.first), entry.second);
            markup += L" " + entry.first + L"=\"" + entry.second + L"\"";
            ++index;
        }
        EXPECT_EQ(attributes.toMarkup(), markup);
        EXPECT_FALSE(attributes.contains(L"b"));
    }
}

// An element with a great many attributes, as a damaged or hostile file has, reads whole.
TEST(XmlAttributesTest, AnElementWithManyAttributesReadsWhole) {
    const int count = 40000;
    std::wstring text = L"<tu";
    for (int i = count; i > 0; --i)
        text += L" x" + std::to_wstring(i) + L"='" + std::to_wstring(i % 7) + L"'";
    text += L"/>";
    struct Lister : XmlParser {
        size_t seen = 0;
        std::wstring first, last, middle;
        void startElement(const std::wstring&, const XmlAttributes& attributes, bool) override {
            seen = attributes.size();
            if (seen > 0) {
                first = attributes.nameAt(0);
                last = attributes.nameAt(seen - 1);
                middle = attributes.get(L"x20000");
            }
        }
    } lister;
    XmlMemoryStream stream(text.c_str(), kXmlEncodingUtf16Le,
                           static_cast<int32_t>(text.size() * sizeof(wchar_t)));
    ASSERT_TRUE(lister.parse(stream));
    EXPECT_EQ(lister.seen, static_cast<size_t>(count));
    EXPECT_EQ(lister.first, L"x1");
    EXPECT_EQ(lister.last, L"x9999");
    EXPECT_EQ(lister.middle, L"1");
}

TEST(XmlAttributesTest, MarkupStaysWellFormed) {
    struct Case {
        const wchar_t* value;
        const wchar_t* markup;
    };
    static const Case cases[] = {
        {L"1", L" v=\"1\""},
        {L"say \"hi\"", L" v='say \"hi\"'"},
        {L"it's", L" v=\"it's\""},
        {L"\"it's\"", L" v=\"&quot;it's&quot;\""},
        {L"a&b<c>d", L" v=\"a&amp;b&lt;c>d\""},
        {L"a\nb\tc\rd", L" v=\"a&#10;b&#9;c&#13;d\""},
        {L"", L" v=\"\""},
    };
    for (const Case& c : cases) {
        XmlAttributes attributes;
        attributes.set(L"v", c.value);
        EXPECT_EQ(attributes.toMarkup(), c.markup);
    }
    XmlAttributes two;
    two.set(L"x", L"2");
    two.set(L"i", L"1");
    EXPECT_EQ(two.toMarkup(), L" i=\"1\" x=\"2\"");
    EXPECT_EQ(XmlAttributes().toMarkup(), L"");
}
