#include "tmx_engine/TmxFileGroupParser.h"

#include "core/util/StringUtils.h"
#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlMemoryStream.h"
#include "group_builder/GroupEntry.h"
#include "group_builder/GroupFileWriter.h"
#include "tmx_engine/tests/GroupTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ReadGroup {
    bool ok = false;
    bool truncated = false;
    std::vector<std::wstring> paths;
    std::vector<std::wstring> names;
    std::vector<uint32_t> colors;
};

ReadGroup readBytes(const std::string& bytes) {
    XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
    TmxFileGroupParser parser;
    ReadGroup group;
    group.ok = parser.parse(stream) && !stream.hadError();
    group.truncated = parser.truncated();
    group.paths = parser.paths();
    group.names = parser.names();
    group.colors = parser.colors();
    return group;
}

// Paths compared as Windows compares them: letter case and the kind of separator do not count.
std::wstring comparable(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return toLowerCase(path);
}

} // namespace

TEST(TmxFileGroupParserTest, ColoursAreReadAsColorrefs) {
    static const struct {
        const wchar_t* text;
        uint32_t color;
    } cases[] = {
        {L"FF0000", 0x000000FFu}, {L"ff0000", 0x000000FFu}, {L"FF", 0x00FF0000u},
        {L"C6c6C6", 0x00C6C6C6u}, {L"0", 0u},               {L"123456", 0x00563412u},
        {L"EEEEEEEE", 0xEEEEEEEEu}, {L"", kNoGroupColor},   {L"#FF0000", kNoGroupColor},
        {L"0xFF", kNoGroupColor}, {L"FF 00", kNoGroupColor}, {L"red", kNoGroupColor},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseGroupColor(c.text), c.color) << testing::PrintToString(std::wstring(c.text));
}

// One member per element: text split by comments, CDATA sections and child elements is joined,
// and empty elements drop out with their names and colours, so nothing shifts.
TEST(TmxFileGroupParserTest, OneMemberPerElement) {
    const ReadGroup group = readBytes(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plexa>\n"
        "  <tmxfile shortName=\"A\" color=\"FF0000\">a<!-- note -->.tmx</tmxfile>\n"
        "  <tmxfile shortName=\"Empty\" color=\"00FF00\"></tmxfile>\n"
        "  <tmxfile shortName=\"Blank\" color=\"00FF00\">  \r\n\t</tmxfile>\n"
        "  <tmxfile shortName=\"Self\" color=\"00FF00\"/>\n"
        "  <tmxfile shortName=\"B\" color=\"0000FF\"><![CDATA[sub/]]>b.tmx</tmxfile>\n"
        "  <group><tmxfile shortName=\"C &amp; &quot;D&quot;\">\n    c<i>-part</i>.tmx\n  </tmxfile></group>\n"
        "  <other>not a member</other>\n"
        "</plexa>\n");
    ASSERT_TRUE(group.ok);
    EXPECT_FALSE(group.truncated);
    EXPECT_EQ(group.paths, (std::vector<std::wstring>{L"a.tmx", L"sub/b.tmx", L"c-part.tmx"}));
    EXPECT_EQ(group.names, (std::vector<std::wstring>{L"A", L"B", L"C & \"D\""}));
    EXPECT_EQ(group.colors, (std::vector<uint32_t>{0x000000FFu, 0x00FF0000u, kNoGroupColor}));

    const ReadGroup cut = readBytes("<plexa><tmxfile shortName=\"A\">a.tmx</tmxfile><tmxfile>b.t");
    EXPECT_TRUE(cut.truncated);
    EXPECT_EQ(cut.paths, (std::vector<std::wstring>{L"a.tmx"}));
}

TEST(TmxFileGroupParserTest, FullPathsAndJoinedPaths) {
    static const struct {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* resolved;
    } cases[] = {
        {L"C:\\tm\\a.tmx", L"D:\\groups", L"C:\\tm\\a.tmx"},
        {L"d:x.tmx", L"C:\\groups", L"d:x.tmx"},
        {L"\\\\server\\share\\a.tmx", L"C:\\groups", L"\\\\server\\share\\a.tmx"},
        {L"//server/share/a.tmx", L"C:\\groups", L"//server/share/a.tmx"},
        {L"\\/server/share/a.tmx", L"C:\\groups", L"\\/server/share/a.tmx"},
        {L"a.tmx", L"C:\\groups", L"C:\\groups\\a.tmx"},
        {L".\\a.tmx", L"C:\\groups", L"C:\\groups\\.\\a.tmx"},
        {L"sub/b.tmx", L"C:/groups", L"C:/groups/sub/b.tmx"},
        {L"..\\..\\b.tmx", L"C:\\x\\y\\z", L"C:\\x\\b.tmx"},
        {L"\\rooted.tmx", L"C:\\groups", L"C:\\groups\\rooted.tmx"},
        {L"1:x.tmx", L"C:\\groups", L"C:\\groups\\1:x.tmx"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(resolveGroupMemberPath(c.path, c.folder), c.resolved)
            << testing::PrintToString(std::wstring(c.path));
    }
}

// What the group builder writes reads back to the same members: paths (relative ones resolved
// against the group's folder), names and colours.
TEST(TmxFileGroupParserTest, RoundTripWithTheWriter) {
    static const struct {
        const wchar_t* group;
        const wchar_t* member;
    } paths[] = {
        {L"C:\\TM\\Groups\\all.plexa", L"C:\\TM\\Groups\\a.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"c:\\tm\\groups\\sub\\deeper\\b.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"C:\\TM\\b.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"C:\\Other\\c.tmx"},
        {L"C:\\A\\B\\C\\g.plexa", L"C:\\X\\y.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"D:\\x.tmx"},
        {L"C:/TM/Groups/all.plexa", L"C:/TM/Other/c.tmx"},
        {L"C:/TM/Groups/all.plexa", L"C:\\TM\\Groups\\sub\\m.tmx"},
        {L"\\\\server\\share\\g.plexa", L"\\\\server\\share\\sub\\a.tmx"},
        {L"\\\\server\\share\\g.plexa", L"\\\\other\\data\\b.tmx"},
        {L"\\\\server\\share\\g.plexa", L"\\\\server\\public\\b.tmx"},
        {L"\\\\server\\share\\a\\b\\g.plexa", L"\\\\server\\share\\x.tmx"},
        {L"\\\\server\\share\\g.plexa", L"C:\\local.tmx"},
        {L"C:\\g.plexa", L"\\\\server\\share\\a.tmx"},
    };
    static const struct {
        const wchar_t* name;
        uint32_t color;
    } looks[] = {
        {L"Plain", 0x000000FFu}, {L"Tom & Jerry", 0x00FF0000u}, {L"\"quoted\" 'too'", 0xEEEEEEEEu},
        {L"<tag>", 0u}, {L"Caf\xE9 \xD83D\xDE00", 0x00C6C6C6u}, {L"", 0x00123456u},
    };
    size_t look = 0;
    for (const auto& c : paths) {
        const std::vector<GroupEntry> entries = {
            {c.member, looks[look % 6].name, looks[look % 6].color},
            {c.member, looks[(look + 1) % 6].name, looks[(look + 1) % 6].color},
        };
        ++look;
        const ReadGroup group = readBytes(formatGroupFile(c.group, entries));
        ASSERT_TRUE(group.ok) << testing::PrintToString(std::wstring(c.group));
        ASSERT_EQ(group.paths.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            const std::wstring resolved = resolveGroupMemberPath(group.paths[i], getDirectory(c.group));
            EXPECT_EQ(comparable(resolved), comparable(c.member))
                << testing::PrintToString(std::wstring(c.group)) << " wrote "
                << testing::PrintToString(group.paths[i]);
            EXPECT_EQ(group.names[i], entries[i].shortName);
            EXPECT_EQ(group.colors[i], entries[i].color);
        }
    }

    // And through a real file, with the reader's encoding detection.
    grouptest::ScratchFolder folder;
    const std::wstring groupPath = folder.file(L"g.plexa");
    ASSERT_TRUE(writeGroupFile(groupPath, {{folder.file(L"sub\\a.tmx"), L"A & B", 0x00ABCDEFu},
                                           {L"Z:\\elsewhere\\b.tmx", L"\xC4rger", 0xEEEEEEEEu}}));
    XmlFileStream stream(groupPath);
    TmxFileGroupParser parser;
    ASSERT_TRUE(parser.parse(stream));
    EXPECT_EQ(parser.paths(), (std::vector<std::wstring>{L"sub\\a.tmx", L"Z:\\elsewhere\\b.tmx"}));
    EXPECT_EQ(parser.names(), (std::vector<std::wstring>{L"A & B", L"\xC4rger"}));
    EXPECT_EQ(parser.colors(), (std::vector<uint32_t>{0x00ABCDEFu, 0xEEEEEEEEu}));
}
