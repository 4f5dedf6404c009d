#include "core/xml/XmlMemoryStream.h"
#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/TmxParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kDocument =
    "<tmx version=\"1.4b\"><header creationtool=\"Tool\" creationtoolversion=\"7\" o-tmf=\"x\" srclang=\"EN-gb\" "
    "creationdate=\"20230405T060708Z\"/><body>\n"
    "<tu><tuv xml:lang=\"en-GB\"><seg>One <ph x=\"1\"/>two <g>three</g></seg></tuv>"
    "<tuv xml:lang=\"de-DE\"><seg>eins</seg></tuv><tuv xml:lang=\"fr-FR\"><seg>un</seg></tuv></tu>\n"
    "<tu><tuv xml:lang=\"fr-FR\"><seg>avant</seg></tuv><tuv xml:lang=\"en-GB\"><seg>after the target</seg></tuv></tu>\n"
    "<tu><tuv xml:lang=\"en-US\"><seg>same language, other region</seg></tuv><tuv xml:lang=\"de-DE\"><seg>x</seg></tuv></tu>\n"
    "</body></tmx>";

bool parse(TmxIndexBuilder& builder) {
    XmlMemoryStream stream(kDocument.data(), 3, static_cast<int32_t>(kDocument.size()));
    TmxParser parser(builder);
    return parser.parse(stream);
}

TEST(TmxParserTest, FeedsHeaderLanguagesAndOneEntryPerTargetAfterTheSource) {
    TmxIndexBuilder builder;
    ASSERT_TRUE(parse(builder));
    const TmxHeader& header = builder.header();
    EXPECT_EQ(header.version, L"1.4b");
    EXPECT_EQ(header.creationTool, L"Tool");
    EXPECT_EQ(header.creationToolVersion, L"7");
    EXPECT_EQ(header.oTmf, L"x");
    EXPECT_EQ(header.srcLang, L"en-GB");
    EXPECT_EQ(formatPackedDate(header.creationDate), L"20230405T060708Z");
    // The first target met gets the first prefix; en-US counts as the source language.
    ASSERT_EQ(builder.languages().size(), 2u);
    EXPECT_EQ(builder.languagePrefix(L"de-DE"), wchar_t(0xFF22));
    EXPECT_EQ(builder.languagePrefix(L"fr-FR"), wchar_t(0xFF23));

    // Unit 1 gives one entry per target; unit 2's target precedes its source; unit 3's source is
    // not exactly the srclang.
    ASSERT_EQ(builder.entryCount(), 2u);
    const uint32_t firstTu = static_cast<uint32_t>(kDocument.find("<tu>"));
    for (uint32_t id = 0; id < 2; ++id) {
        EXPECT_EQ(builder.entry(id).tuOffset, firstTu);
        // One, space, placeholder, two, space, <g>, three, </g>.
        EXPECT_EQ(builder.entry(id).elementCount, 8u);
        EXPECT_EQ(builder.entry(id).wordCount, 3u);
    }
}

TEST(TmxParserTest, LanguageModeTwoIndexesEachSourceSegmentOnce) {
    TmxIndexBuilder builder;
    builder.setLanguageMode(2);
    ASSERT_TRUE(parse(builder));
    // Target segments reach the builder too, but only the srclang's segments become entries.
    ASSERT_EQ(builder.entryCount(), 2u);
    EXPECT_EQ(builder.entry(0).wordCount, 3u);
    EXPECT_EQ(builder.entry(1).tuOffset, static_cast<uint32_t>(kDocument.find("<tu>", kDocument.find("<tu>") + 1)));
    EXPECT_EQ(builder.entry(1).wordCount, 3u);
}

} // namespace
