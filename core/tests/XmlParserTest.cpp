#include "core/tests/XmlTestSupport.h"

#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"

#include <gtest/gtest.h>

#include <string>

using xmltest::parseText;
using xmltest::RecordingParser;

namespace {

struct ParseCase {
    const wchar_t* input;
    const wchar_t* events;
    int32_t errorCode;
};

void checkCases(const ParseCase* cases, size_t count, bool withPositions = false) {
    for (size_t i = 0; i < count; ++i) {
        int32_t errorCode = -1;
        EXPECT_EQ(parseText(cases[i].input, withPositions, &errorCode), cases[i].events)
            << "input: " << testing::PrintToString(std::wstring(cases[i].input));
        EXPECT_EQ(errorCode, cases[i].errorCode)
            << "input: " << testing::PrintToString(std::wstring(cases[i].input));
    }
}

} // namespace

TEST(XmlParserTest, ElementsAttributesAndText) {
    static const ParseCase cases[] = {
        {L"<a b='1' c=2>", L"start a {b=1,c=2} | done", 0},
        {L"<a b = 'x'>", L"start a {b=x} | done", 0},
        {L"<a b=1 b=2 a=0>", L"start a {a=0,b=2} | done", 0},
        {L"<a b=x/>", L"start a {b=x} empty | end a empty | done", 0},
        {L"<a b='x y' c=\"p>q/r\">", L"start a {b=x y,c=p>q/r} | done", 0},
        {L"<a b=''>", L"start a {b=} | done", 0},
        {L"<tu-1.x:y z='1'></tu-1.x:y >", L"start tu-1.x:y {z=1} | end tu-1.x:y | done", 0},
        {L"<r>/path</r>", L"start r {} | text [/path] | end r | done", 0},
        {L"<a></b>", L"start a {} | end b | done", 0},
        {L"<r>\r\n <x/>\t</r>", L"start r {} | text [\n ] | start x {} empty | end x empty | "
                                 L"text [\t] | end r | done", 0},
        {L"<a\tb\n=\r'1'\n>", L"start a {b=1} | done", 0},
        {L"<a b=>", L"start a {b=} | done", 0},
    };
    checkCases(cases, sizeof cases / sizeof cases[0]);
}

// Quotes around character data are content, and quotes that references produce are never
// taken for the quotes of a value.
TEST(XmlParserTest, QuotesAreStrippedOnlyFromLiteralValues) {
    static const ParseCase cases[] = {
        {L"<seg>\"Hello\"</seg>", L"start seg {} | text [\"Hello\"] | end seg | done", 0},
        {L"<seg>'Hi'</seg>", L"start seg {} | text ['Hi'] | end seg | done", 0},
        {L"<seg>&quot;x&quot;</seg>", L"start seg {} | text [\"x\"] | end seg | done", 0},
        {L"<seg>\"</seg>", L"start seg {} | text [\"] | end seg | done", 0},
        {L"<a b=&quot;x&quot;>", L"start a {b=\"x\"} | done", 0},
        {L"<a b=\"&quot;x&quot;\">", L"start a {b=\"x\"} | done", 0},
        {L"<a b='x'&apos;>", L"start a {b='x''} | done", 0},
        {L"<a b='x'y>", L"start a {b='x'y} | done", 0},
        {L"<a b='it\"s'>", L"start a {b=it\"s} | done", 0},
        {L"<a b=x\"y\">", L"start a {b=x\"y\"} | done", 0},
        {L"<?xml version=\"1.0\" encoding='UTF-8'?><r/>",
         L"pi xml {encoding=UTF-8,version=1.0} | start r {} empty | end r empty | done", 0},
    };
    checkCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(XmlParserTest, DeclarationsCommentsCdataAndDoctype) {
    static const ParseCase cases[] = {
        {L"<?xml version='1.0'?>\n<r/>",
         L"pi xml {version=1.0} | text [\n] | start r {} empty | end r empty | done", 0},
        {L"<?XML version='1.0'?>", L"pi xml {version=1.0} | done", 0},
        {L"<?xml-stylesheet href='s.css' type=\"text/css\"?>",
         L"pi xml-stylesheet {href=s.css,type=text/css} | done", 0},
        {L"<?xml version = '1.0'?>", L"error", 3},
        {L"<?xml version= '1.0'?>", L"error", 3},
        {L"<?xml?>", L"error", 3},
        {L"<?php x?>", L"error", 3},
        {L"<?xml version='1.0'? >", L"pi xml {version=1.0} | error", 3},
        {L"<!--abc-->", L"comment [abc] | done", 0},
        {L"<!---->", L"comment [] | done", 0},
        {L"<!-- a -- b <x> & 'q' -->", L"comment [ a -- b <x> & 'q' ] | done", 0},
        {L"<!--->-->", L"comment [->] | done", 0},
        {L"<![CDATA[a&b]]>", L"cdata [a&b] | done", 0},
        {L"<![cdata[x]]>", L"cdata [x] | done", 0},
        {L"<![CDATA[]]>", L"cdata [] | done", 0},
        {L"<![CDATA[a]b]>c]]>", L"cdata [a]b]>c] | done", 0},
        {L"<!DOCTYPE r [ <!ENTITY x 'y'> ]><r/>",
         L"text [ ]>] | start r {} empty | end r empty | done", 0},
        {L"<!doctype r><r/>", L"start r {} empty | end r empty | done", 0},
        {L"<!DOCTYPE>x", L"text [x] | done", 0},
        {L"<!x>", L"error", 3},
        {L"<!-x>", L"error", 3},
        {L"<![CDAT>", L"error", 3},
    };
    checkCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(XmlParserTest, EndOfInputInsideMarkup) {
    static const ParseCase cases[] = {
        {L"<r>te", L"start r {} | text [te] | done", 0},
        {L"<r a", L"error", 3},
        {L"<r a=", L"done", 0},
        {L"<r a= ", L"done", 0},
        {L"<r a='x", L"done", 0},
        {L"<r a=x", L"error", 3},
        {L"<r", L"error", 3},
        {L"<", L"error", 3},
        {L"</r", L"error", 3},
        {L"<r/", L"error", 3},
        {L"<!", L"error", 3},
        {L"<!DOCTYPE r", L"error", 3},
        {L"<?xml version='1'", L"error", 3},
        {L"<!-- x", L"error", 9},
        {L"<!--", L"error", 9},
        {L"<r>&amp", L"start r {} | error", 10},
        {L"<r a='&am", L"error", 10},
        {L"<![CDATA[x", L"error", 11},
        {L"", L"done", 0},
    };
    checkCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(XmlParserTest, SyntaxErrorsStopAtTheFailingUnit) {
    struct Case {
        const wchar_t* input;
        int32_t position;
    };
    static const Case cases[] = {
        {L"<r><1>", 4},
        {L"<r b>", 4},
        {L"<r b='1' c>x", 10},
        {L"<r/ >", 3},
        {L"abc<?pi?>", 5},
        {L"<r>\x00e9<\x00e9/>", 5},
    };
    for (const Case& c : cases) {
        const std::string bytes = xmltest::utf8(c.input);
        XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
        RecordingParser parser;
        EXPECT_FALSE(parser.parse(stream));
        EXPECT_EQ(parser.errorCode(), kXmlErrorInvalidFormat);
        EXPECT_EQ(parser.errorPosition(), c.position) << testing::PrintToString(std::wstring(c.input));
        EXPECT_EQ(parser.events.back(), L"error");
    }
}

TEST(XmlParserTest, MarkupPositionsDescribeTheMarkupBeingReported) {
    static const ParseCase cases[] = {
        {L"<x/>", L"start x {} empty @0+4 #0 | end x empty @0+4 #0 | done", 0},
        {L"ab<r k='v'>t\x00e9xt</r ><!--c-->",
         L"text [ab] @-1+0 #-1 | start r {k=v} @2+9 #2 | text [t\x00e9xt] @-1+0 #-1 | "
         L"end r @15+5 #16 | comment [c] @20+8 #21 | done", 0},
        {L"<?xml version='1'?><![CDATA[z]]>",
         L"pi xml {version=1} @0+0 #0 | cdata [z] @19+0 #19 | done", 0},
        {L"<!DOCTYPE d>x<r/>", L"text [x] @-1+0 #-1 | start r {} empty @13+4 #13 | "
                               L"end r empty @13+4 #13 | done", 0},
    };
    checkCases(cases, sizeof cases / sizeof cases[0], true);
}

TEST(XmlParserTest, ErrorTexts) {
    static const wchar_t* const texts[] = {
        L"Unspecified error", L"I/O error", L"Unsupported encoding", L"Invalid format",
        L"Tag balance", L"Quote balance", L"Invalid identifier", L"Invalid value",
        L"Error in entity", L"Unclosed comment", L"Unclosed entity", L"Unclosed CDATA",
        L"Unclosed SCRIPT", L"Block too large", L"Parser-specific error", L"Unspecified error",
    };
    for (int code = 0; code <= 15; ++code) {
        EXPECT_EQ(xmlErrorText(code), texts[code]) << code;
    }
    EXPECT_EQ(xmlErrorText(-1), L"Unspecified error");
}
