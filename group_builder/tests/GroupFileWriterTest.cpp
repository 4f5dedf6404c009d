#include "group_builder/GroupFileWriter.h"

#include "core/tests/TestFiles.h"
#include "core/util/StringUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The element text written for one member of a group file at groupPath (ASCII paths only).
std::wstring writtenPath(const std::wstring& groupPath, const std::wstring& memberPath) {
    const std::string text = formatGroupFile(groupPath, {GroupEntry{memberPath, L"n", 0}});
    const std::size_t open = text.find("\">");
    const std::size_t close = text.find("</tmxfile>");
    if (open == std::string::npos || close == std::string::npos)
        return L"?";
    const std::string path = text.substr(open + 2, close - open - 2);
    return std::wstring(path.begin(), path.end());
}

std::wstring normalised(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return toLowerCase(path);
}

bool isFullPath(const std::wstring& path) {
    return path.find(L':') != std::wstring::npos || path.compare(0, 2, L"\\\\") == 0 ||
           path.compare(0, 2, L"//") == 0;
}

} // namespace

TEST(GroupFileWriterTest, MemberPathsAreRelativeUpToTwoStepsUnderTheSameRoot) {
    struct Case {
        const wchar_t* group;
        const wchar_t* member;
        const wchar_t* written;
    };
    const Case cases[] = {
        // Slashes throughout give slashes; the same with backslashes gives backslashes.
        {L"C:/TM/Groups/all.plexa", L"C:/TM/Groups/a.tmx", L"a.tmx"},
        {L"C:/TM/Groups/all.plexa", L"c:/tm/groups/sub/b.tmx", L"sub/b.tmx"},
        {L"C:/TM/Groups/all.plexa", L"C:/TM/b.tmx", L"../b.tmx"},
        {L"C:/TM/Groups/all.plexa", L"C:/Other/c.tmx", L"../../Other/c.tmx"},
        {L"C:/TM/Groups/all.plexa", L"D:/x.tmx", L"D:/x.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"C:\\TM\\Groups\\a.tmx", L"a.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"C:\\tm\\GROUPS\\Sub\\B.tmx", L"Sub\\B.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"C:\\TM\\b.tmx", L"..\\b.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"c:\\other\\C.tmx", L"..\\..\\other\\C.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"D:\\x.tmx", L"D:\\x.tmx"},
        // One slash anywhere makes the whole relative result use slashes.
        {L"C:\\TM\\Groups\\all.plexa", L"C:/TM/Groups/sub/m.tmx", L"sub/m.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L"C:\\TM\\x/y.tmx", L"../x/y.tmx"},
        {L"C:\\TM\\Groups\\all.plexa", L".\\local.tmx", L".\\local.tmx"},
        {L"C:\\A\\B\\C\\g.plexa", L"C:\\A\\y.tmx", L"..\\..\\y.tmx"},
        {L"C:\\A\\B\\C\\g.plexa", L"C:\\X\\y.tmx", L"C:\\X\\y.tmx"}, // three steps: in full
        {L"C:\\g.plexa", L"C:\\TM\\a.tmx", L"TM\\a.tmx"},
        // A network share is a root of its own: other shares and servers are written in full.
        {L"\\\\server\\share\\g.plexa", L"\\\\server\\share\\a.tmx", L"a.tmx"},
        {L"\\\\server\\share\\g.plexa", L"\\\\SERVER\\Share\\sub\\b.tmx", L"sub\\b.tmx"},
        {L"\\\\server\\share\\g.plexa", L"\\\\other\\x\\a.tmx", L"\\\\other\\x\\a.tmx"},
        {L"\\\\server\\share\\g.plexa", L"\\\\server\\other\\a.tmx", L"\\\\server\\other\\a.tmx"},
        {L"\\\\server\\share\\g.plexa", L"C:\\a.tmx", L"C:\\a.tmx"},
        {L"\\\\server\\share\\tm\\g\\g.plexa", L"\\\\server\\share\\a.tmx", L"..\\..\\a.tmx"},
        {L"//server/share/g.plexa", L"//other/x/a.tmx", L"//other/x/a.tmx"},
        {L"//server/share/g.plexa", L"//server/share/sub/a.tmx", L"sub/a.tmx"},
    };
    for (const Case& c : cases) {
        const std::wstring written = writtenPath(c.group, c.member);
        EXPECT_EQ(written, c.written) << c.group << L" | " << c.member;
        // What the group reader makes of it: a full path as it stands, anything else joined to
        // the group file's folder. Either way it must lead back to the member (a path that
        // starts with a dot was relative to begin with and is joined as it stands).
        if (c.member[0] == L'.')
            continue;
        const std::wstring resolved =
            isFullPath(written) ? written : combinePath(written, getDirectory(c.group));
        EXPECT_EQ(normalised(resolved), normalised(c.member)) << c.group << L" | " << c.member;
    }
}

TEST(GroupFileWriterTest, ColoursAreHexOfRedGreenBlueWithoutLeadingZeros) {
    struct Case {
        COLORREF color;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0x00C6C6C6, L"C6C6C6"}, {0x00FF0000, L"FF"},       {0x000000FF, L"FF0000"},
        {0x00000000, L"0"},      {0x00123456, L"563412"},   {0x0000FF00, L"FF00"},
        {0xEEEEEEEE, L"EEEEEEEE"}, // no colour: the top byte is kept
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatColorHex(c.color), c.text) << std::hex << c.color;
}

TEST(GroupFileWriterTest, WritesTheExactFileText) {
    EXPECT_EQ(formatGroupFile(L"C:\\TM\\g.plexa", {}),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plexa>\r\n</plexa>\r\n");

    const std::vector<GroupEntry> entries = {
        {L"C:\\TM\\R&D\\a.tmx", L"Say \"hi\" & <go>", 0x000000FF},
        {L"D:\\b'.tmx", L"", 0xEEEEEEEE},
    };
    EXPECT_EQ(formatGroupFile(L"C:\\TM\\g.plexa", entries),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<plexa>\r\n"
              "  <tmxfile shortName=\"Say &quot;hi&quot; &amp; &lt;go&gt;\" color=\"FF0000\">"
              "R&amp;D\\a.tmx</tmxfile>\r\n"
              "  <tmxfile shortName=\"\" color=\"EEEEEEEE\">D:\\b'.tmx</tmxfile>\r\n"
              "</plexa>\r\n");
}

TEST(GroupFileWriterTest, TextIsUtf8WithCharactersBeyondTheBasicPlaneInFourBytes) {
    const std::wstring name = {0x007F, 0x07FF, 0x0800, 0xFFFF, 0xD83D, 0xDE00, 0xD800, L'x', 0xDC00};
    const std::string text = formatGroupFile(L"C:\\g.plexa", {GroupEntry{L"C:\\a.tmx", name, 0}});
    const std::string expected = "\x7F"
                                 "\xDF\xBF"
                                 "\xE0\xA0\x80"
                                 "\xEF\xBF\xBF"
                                 "\xF0\x9F\x98\x80" // U+1F600 from its surrogate pair
                                 "\xED\xA0\x80"     // lone high surrogate
                                 "x"
                                 "\xED\xB0\x80"; // lone low surrogate
    EXPECT_NE(text.find("shortName=\"" + expected + "\""), std::string::npos);
}

TEST(GroupFileWriterTest, SavingReplacesTheFileAndLeavesNothingElseBehind) {
    testfiles::TempDir folder(L"plexa-writer");
    const std::wstring target = folder.file(L"g.plexa");
    ASSERT_TRUE(testfiles::writeText(target, std::string(5000, 'x')));
    const std::vector<GroupEntry> entries = {{folder.file(L"a.tmx"), L"A", 0x00C6C6C6}};
    ASSERT_TRUE(writeGroupFile(target, entries));
    EXPECT_EQ(testfiles::readText(target), formatGroupFile(target, entries));
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"g.plexa"});

    const std::wstring fresh = folder.file(L"new.plexa");
    ASSERT_TRUE(writeGroupFile(fresh, {}));
    EXPECT_EQ(testfiles::readText(fresh), formatGroupFile(fresh, {}));
}

TEST(GroupFileWriterTest, AFailedSaveReportsFailureAndKeepsTheOldFile) {
    testfiles::TempDir folder(L"plexa-writer");
    const std::string old = "<?xml version=\"1.0\"?><plexa><tmxfile>old.tmx</tmxfile></plexa>";
    const std::vector<GroupEntry> entries = {{L"C:\\new.tmx", L"N", 0}};

    // A file held open without sharing by another program cannot be replaced.
    const std::wstring locked = folder.file(L"locked.plexa");
    ASSERT_TRUE(testfiles::writeText(locked, old));
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(writeGroupFile(locked, entries));
    CloseHandle(holder);
    EXPECT_EQ(testfiles::readText(locked), old);

    // A folder in the target's place, and a target in a folder that does not exist.
    const std::wstring directory = folder.file(L"dir.plexa");
    ASSERT_TRUE(CreateDirectoryW(directory.c_str(), nullptr));
    EXPECT_FALSE(writeGroupFile(directory, entries));
    EXPECT_FALSE(writeGroupFile(folder.file(L"missing\\g.plexa"), entries));
    EXPECT_FALSE(writeGroupFile(L"", entries));

    // No temporary file is left behind by any of the failures.
    std::vector<std::wstring> names = folder.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"dir.plexa", L"locked.plexa"}));
}
