#include "group_builder/forms/GroupFileLoading.h"

#include "core/tests/TestFiles.h"
#include "core/util/Utf8.h"
#include "group_builder/GroupFileWriter.h"
#include "tmx_engine/GroupFileReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testfiles::TempDir;
using testfiles::writeText;

namespace {

std::string groupText(const std::string& members) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plexa>\r\n" + members + "</plexa>\r\n";
}

// What the entries were before a failed load must survive it.
const std::vector<GroupEntry> kBefore = {{L"C:\\keep\\me.tmx", L"Keep", 0x112233}};

bool sameEntries(const std::vector<GroupEntry>& a, const std::vector<GroupEntry>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].path != b[i].path || a[i].shortName != b[i].shortName || a[i].color != b[i].color)
            return false;
    }
    return true;
}

// The entries written as a group file and loaded back.
std::vector<GroupEntry> writtenAndLoaded(const std::vector<GroupEntry>& written) {
    TempDir folder(L"roundtrip");
    const std::wstring group = folder.file(L"g.plexa");
    std::vector<GroupEntry> read;
    if (!writeGroupFile(group, written) || !loadGroupEntries(group, read))
        read.clear();
    return read;
}

} // namespace

TEST(GroupFileLoadingTest, MembersInFileOrderWithRelativePathsResolved) {
    TempDir folder(L"load");
    const std::wstring group = folder.folder(L"groups") + L"\\g.plexa";
    ASSERT_TRUE(writeText(group, groupText("  <tmxfile shortName=\"Up\" color=\"FF0000\">..\\b.tmx</tmxfile>\r\n"
                                           "  <tmxfile shortName=\"Sub\" color=\"0000FF\">sub\\c.tmx</tmxfile>\r\n"
                                           "  <tmxfile shortName=\"Full\">D:\\x\\a.tmx</tmxfile>\r\n"
                                           "  <tmxfile shortName=\"Dot\" color=\"10\">.\\e.tmx</tmxfile>\r\n"
                                           "  <tmxfile shortName=\"Up\" color=\"FF0000\">..\\B.TMX</tmxfile>\r\n")));
    std::vector<GroupEntry> entries;
    ASSERT_TRUE(loadGroupEntries(group, entries));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].path, folder.path() + L"\\b.tmx");
    EXPECT_EQ(entries[0].shortName, L"Up");
    EXPECT_EQ(entries[0].color, 0x000000FFu);
    EXPECT_EQ(entries[1].path, folder.path() + L"\\groups\\sub\\c.tmx");
    EXPECT_EQ(entries[1].color, 0x00FF0000u);
    EXPECT_EQ(entries[2].path, L"D:\\x\\a.tmx");
    EXPECT_EQ(entries[2].color, 0xEEEEEEEEu); // no colour given
    EXPECT_EQ(entries[3].path, folder.path() + L"\\groups\\.\\e.tmx");
    EXPECT_EQ(entries[3].color, 0x00100000u);
    // A duplicate is kept as loaded.
    EXPECT_EQ(entries[4].path, folder.path() + L"\\B.TMX");
}

TEST(GroupFileLoadingTest, AMemberThatCannotBeJoinedStaysAsWritten) {
    // A group file named by a relative path whose member climbs above that path's first folder.
    TempDir folder(L"relative");
    folder.folder(L"groups");
    ASSERT_TRUE(writeText(folder.file(L"groups\\g.plexa"),
                          groupText("  <tmxfile shortName=\"Far\">..\\..\\x.tmx</tmxfile>\r\n")));
    wchar_t saved[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.path().c_str()));
    std::vector<GroupEntry> entries;
    const bool loaded = loadGroupEntries(L"groups\\g.plexa", entries);
    SetCurrentDirectoryW(saved);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, L"..\\..\\x.tmx");
}

TEST(GroupFileLoadingTest, RelativeMembersSavedIntoAnotherFolderStillNameTheSameFiles) {
    TempDir folder(L"move");
    const std::wstring from = folder.folder(L"a") + L"\\g.plexa";
    folder.folder(L"a\\deep");
    const std::wstring to = folder.folder(L"a\\deep\\er") + L"\\moved.plexa";
    ASSERT_TRUE(writeText(from, groupText("  <tmxfile shortName=\"One\" color=\"1\">..\\b.tmx</tmxfile>\r\n"
                                          "  <tmxfile shortName=\"Two\" color=\"2\">sub\\c.tmx</tmxfile>\r\n"
                                          "  <tmxfile shortName=\"Three\" color=\"3\">d.tmx</tmxfile>\r\n")));
    std::vector<GroupEntry> entries;
    ASSERT_TRUE(loadGroupEntries(from, entries));
    ASSERT_TRUE(writeGroupFile(to, entries));

    GroupFileMembers original;
    GroupFileMembers moved;
    ASSERT_TRUE(readGroupFile(from, original));
    ASSERT_TRUE(readGroupFile(to, moved));
    EXPECT_EQ(moved.fullPaths, original.fullPaths);
    EXPECT_EQ(moved.names, original.names);
    EXPECT_EQ(moved.colors, original.colors);
    // Written relative to where the file now lies.
    // Written relative to where the file now lies (three steps up: in full).
    EXPECT_EQ(moved.paths, (std::vector<std::wstring>{folder.path() + L"\\b.tmx", L"..\\..\\sub\\c.tmx",
                                                       L"..\\..\\d.tmx"}));

    // Saved again into its own folder, a relative member is written as it was.
    ASSERT_TRUE(writeGroupFile(from, entries));
    GroupFileMembers again;
    ASSERT_TRUE(readGroupFile(from, again));
    EXPECT_EQ(again.paths, original.paths);
}

TEST(GroupFileLoadingTest, TextsComeBackUnchanged) {
    const std::vector<GroupEntry> written = {
        {L"C:\\A & B\\<x> \"q\".tmx", L"& < > \"", 0x00C6C6C6},
        {L"D:\\Übersetzung\\日本語\\\U0001F600.tmx", L"Grüße \U0001F600", 0x00000000},
        {L"\\\\server\\share\\tm.tmx", L"", 0xEEEEEEEE},
        // A reader turns raw white space in a value into blanks and a raw CR into LF.
        {L"C:\\tm.tmx", L"tab\there\r\nline\rend\n", 0x00102030},
    };
    EXPECT_TRUE(sameEntries(writtenAndLoaded(written), written));
}

TEST(GroupFileLoadingTest, MoreThanSixtyFourMembersAreLoadedWhole) {
    std::vector<GroupEntry> written;
    for (int i = 0; i < 70; ++i)
        written.push_back({L"C:\\tm\\m" + std::to_wstring(i) + L".tmx", L"m", static_cast<COLORREF>(i)});
    EXPECT_TRUE(sameEntries(writtenAndLoaded(written), written));
}

TEST(GroupFileLoadingTest, ADamagedFileChangesNothing) {
    TempDir folder(L"bad");
    const std::string member = "  <tmxfile shortName=\"A\" color=\"1\">C:\\a.tmx</tmxfile>\r\n";
    struct Case {
        const char* what;
        std::string bytes; // empty: no file is written
    };
    const Case cases[] = {
        {"not XML", "this is not a group file"},
        {"cut off inside a tag", groupText(member).substr(0, 70)},
        {"cut off inside a member", groupText(member).substr(0, 88)},
        {"undecodable bytes", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plexa>\r\n  <tmxfile shortName=\"\xC3\x28\xFF\">"
                              "C:\\a.tmx</tmxfile>\r\n</plexa>\r\n"},
        {"cut off after the last member", groupText(member).substr(0, 104)},
        {"empty file", ""},
        {"missing", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring path = folder.file(L"bad" + std::to_wstring(n++) + L".plexa");
        if (std::string(c.what) != "missing") {
            ASSERT_TRUE(writeText(path, c.bytes));
        }
        std::vector<GroupEntry> entries = kBefore;
        EXPECT_FALSE(loadGroupEntries(path, entries)) << c.what;
        EXPECT_TRUE(sameEntries(entries, kBefore)) << c.what;
    }
    std::vector<GroupEntry> entries = kBefore;
    EXPECT_FALSE(loadGroupEntries(folder.folder(L"a folder.plexa"), entries));
    EXPECT_TRUE(sameEntries(entries, kBefore));
}
