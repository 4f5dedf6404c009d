#include "core/tests/XmlTestSupport.h"

#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"

#include <gtest/gtest.h>

using xmltest::parseText;

TEST(XmlParserTest, Smoke) {
    EXPECT_EQ(parseText(L"<x/>", true), L"start x {} empty @0+4 #0 | end x empty @0+4 #0 | done");
    EXPECT_EQ(parseText(L"<a b='1' c=2>t&amp;x</a>"), L"start a {b=1,c=2} | text [t&x] | end a | done");
}
