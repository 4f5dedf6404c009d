#include "filter_tool/tests/FilterTestSupport.h"

#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlParser.h"
#include "filter_tool/TmxFilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using filtertest::dataPath;
using testfiles::exists;
using filtertest::readBackFile;
using testfiles::readText;
using filtertest::ReadBack;
using filtertest::ScratchFolder;

TEST(TmxFilterTest, FiltersAFileAndReportsProgress) {
    ScratchFolder folder;
    const std::wstring out = folder.file(L"out.tmx");
    for (const bool removeProps : {false, true}) {
        std::vector<unsigned> percents;
        const TmxFilterResult result = filterTmxFile(dataPath(L"utf16.tmx"), out, L" DE ", removeProps,
                                                     [&](unsigned p) { percents.push_back(p); });
        ASSERT_TRUE(result.succeeded()) << testing::PrintToString(result.errorMessage);
        EXPECT_TRUE(result.errorMessage.empty());
        EXPECT_EQ(result.unitsWritten, 2);
        EXPECT_EQ(result.inputBytes, 1820u);

        const std::string bytes = readText(out);
        EXPECT_EQ(result.outputBytes, bytes.size());
        // A UTF-16 input with its declaration: the copy is UTF-8 without byte-order mark and says so.
        EXPECT_EQ(bytes.compare(0, 39, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"), 0);
        ReadBack back;
        ASSERT_EQ(readBackFile(out, back), 0);
        EXPECT_EQ(back.declaredEncoding, L"utf-8");
        EXPECT_EQ(back.languages, (std::vector<std::wstring>{L"en-US", L"de-DE", L"en-us", L"DE-at"}));
        ASSERT_EQ(back.segments.size(), 4u);
        EXPECT_EQ(back.segments[0], L"Hello \"world\"");
        EXPECT_EQ(back.segments[1], L"Hallo Welt \x2013 gr\xFCn");
        EXPECT_EQ(back.segments[2], L"Tags <b>bold</b> & more");
        EXPECT_EQ(back.props, removeProps ? 0 : 3);

        ASSERT_FALSE(percents.empty());
        for (size_t i = 1; i < percents.size(); ++i)
            EXPECT_GT(percents[i], percents[i - 1]);
        EXPECT_LE(percents.back(), 100u);
    }
}

// Without a declaration the output would hold too few non-ASCII bytes for the detector to call
// it UTF-8, and it would be read back as ANSI.
TEST(TmxFilterTest, OutputAlwaysDeclaresUtf8) {
    ScratchFolder folder;
    const std::wstring out = folder.file(L"out.tmx");
    const TmxFilterResult result = filterTmxFile(dataPath(L"no-declaration.tmx"), out, L"it", false);
    ASSERT_TRUE(result.succeeded()) << testing::PrintToString(result.errorMessage);
    EXPECT_EQ(result.unitsWritten, 1);
    int32_t encoding = 0;
    int32_t bomLength = -1;
    ASSERT_TRUE(XmlFileStream::detectEncoding(out, encoding, bomLength));
    EXPECT_EQ(encoding, kXmlEncodingUtf8);
    EXPECT_EQ(bomLength, 0);
    ReadBack back;
    ASSERT_EQ(readBackFile(out, back), 0);
    ASSERT_EQ(back.segments.size(), 2u);
    EXPECT_EQ(back.segments[0], L"Caf\xE9 cr\xE8me");
}

TEST(TmxFilterTest, FourByteCharactersRoundTrip) {
    ScratchFolder folder;
    const std::wstring out = folder.file(L"out.tmx");
    const TmxFilterResult result = filterTmxFile(dataPath(L"astral.tmx"), out, L"ja", false);
    ASSERT_TRUE(result.succeeded()) << testing::PrintToString(result.errorMessage);
    const std::string bytes = readText(out);
    EXPECT_NE(bytes.find("Smile \xF0\x9F\x98\x80 and \xF0\xA0\xAE\xB7"), std::string::npos);
    ReadBack back;
    ASSERT_EQ(readBackFile(out, back), 0);
    ASSERT_EQ(back.segments.size(), 2u);
    EXPECT_EQ(back.segments[1], L"\xD842\xDFB7\x91CE\x5BB6 \xD83D\xDE00");
}

TEST(TmxFilterTest, FailuresAreReported) {
    ScratchFolder folder;
    const std::wstring out = folder.file(L"out.tmx");
    ASSERT_TRUE(testfiles::writeText(out, "an earlier output"));

    TmxFilterResult result = filterTmxFile(dataPath(L"bad-utf8.tmx"), out, L"de", false);
    EXPECT_EQ(result.errorCode, kXmlErrorUnsupportedEncoding);
    EXPECT_EQ(result.unitsWritten, 1);
    EXPECT_GT(result.errorPosition, 0);
    EXPECT_EQ(result.errorMessage, L"(" + std::to_wstring(result.errorPosition) + L") Unsupported encoding");
    // A failed run replaces nothing and leaves nothing beside the output.
    EXPECT_EQ(readText(out), "an earlier output");
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"out.tmx"});

    result = filterTmxFile(folder.file(L"missing.tmx"), folder.file(L"never.tmx"), L"de", false);
    EXPECT_EQ(result.errorCode, kXmlErrorIo);
    EXPECT_FALSE(result.errorMessage.empty());
    EXPECT_FALSE(exists(folder.file(L"never.tmx")));

    result = filterTmxFile(dataPath(L"astral.tmx"), folder.file(L"no-such-folder\\out.tmx"), L"ja", false);
    EXPECT_EQ(result.errorCode, kXmlErrorIo);
}

// The filter must never empty its own input, however the output path is spelled.
TEST(TmxFilterTest, OutputNamingTheInputIsRefused) {
    ScratchFolder folder;
    const std::wstring input = folder.file(L"in.tmx");
    const std::string original = readText(dataPath(L"astral.tmx"));
    ASSERT_TRUE(testfiles::writeText(input, original));
    std::wstring forward = input;
    for (wchar_t& c : forward) {
        if (c == L'\\')
            c = L'/';
    }
    const std::wstring dotted = folder.file(L".\\in.tmx");
    for (const std::wstring& output : {input, forward, dotted, toLowerCase(input)}) {
        const TmxFilterResult result = filterTmxFile(input, output, L"ja", false);
        EXPECT_EQ(result.errorCode, kXmlErrorIo) << testing::PrintToString(output);
        EXPECT_EQ(readText(input), original) << testing::PrintToString(output);
    }
}
