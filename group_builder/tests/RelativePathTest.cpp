#include "group_builder/RelativePath.h"

#include "core/util/StringUtils.h"

#include <gtest/gtest.h>

#include <string>

TEST(RelativePathTest, CountsTheStepsAndKeepsThePathsOwnCase) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* path;
        const wchar_t* result;
        int steps;
    };
    const Case cases[] = {
        {L"C:\\TM\\Groups", L"C:\\TM\\Groups\\a.tmx", L"a.tmx", 0},
        {L"C:\\TM\\Groups", L"c:\\tm\\GROUPS\\Sub\\B.tmx", L"Sub\\B.tmx", 0},
        {L"C:\\TM\\Groups\\", L"C:\\TM\\b.tmx", L"..\\b.tmx", 1},
        {L"C:\\A\\B\\C", L"C:\\X\\y.tmx", L"..\\..\\..\\X\\y.tmx", 3},
        {L"C:\\TM", L"C:\\\\TM\\\\sub\\x.tmx", L"sub\\x.tmx", 0}, // doubled separators
        {L"C:\\TM", L"D:\\TM\\x.tmx", L"D:\\TM\\x.tmx", 0},
        {L"C:\\TM", L"TM\\x.tmx", L"TM\\x.tmx", 0},                // no root: nothing in common
        {L"", L"C:\\x.tmx", L"C:\\x.tmx", 0},
        {L"C:\\TM", L"", L"", 0},
        {L".\\TM", L"C:\\x.tmx", L"C:\\x.tmx", 0},
        {L"C:\\TM", L"..\\x.tmx", L"..\\x.tmx", 0},
        {L"C:", L"C:\\TM\\a.tmx", L"TM\\a.tmx", 0},                // c: matches c:\ .
        {L"\\\\srv\\share\\a\\b", L"\\\\SRV\\Share\\c.tmx", L"..\\..\\c.tmx", 2},
        {L"\\\\srv\\share", L"\\\\srv\\other\\c.tmx", L"\\\\srv\\other\\c.tmx", 0},
        {L"\\\\srv\\share", L"//srv/share/d/c.tmx", L"d/c.tmx", 0},
    };
    for (const Case& c : cases) {
        std::wstring result = L"stale";
        EXPECT_EQ(makeRelativePath(c.folder, c.path, result), c.steps) << c.folder << L" | " << c.path;
        EXPECT_EQ(result, c.result) << c.folder << L" | " << c.path;
    }
}
