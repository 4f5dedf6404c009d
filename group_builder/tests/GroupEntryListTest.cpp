#include "group_builder/GroupEntryList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A list of rows named by single letters ("abc": paths a.tmx, b.tmx, c.tmx) with a selection.
GroupEntryList listOf(const std::wstring& letters, int selected) {
    GroupEntryList list;
    std::vector<GroupEntry> entries;
    for (wchar_t c : letters)
        entries.push_back(GroupEntry{std::wstring(1, c) + L".tmx", std::wstring(1, c), 0});
    list.replace(entries);
    list.select(selected);
    return list;
}

// The rows as letters again, the way listOf takes them.
std::wstring lettersOf(const GroupEntryList& list) {
    std::wstring letters;
    for (const GroupEntry& entry : list.entries())
        letters += entry.path.size() == 5 ? entry.path.substr(0, 1) : L"[" + entry.path + L"]";
    return letters;
}

} // namespace

TEST(GroupEntryListTest, ListRules) {
    enum Op { Add, Update, Remove, Up, Down, Clear, Select };
    struct Case {
        const char* what;
        const wchar_t* start;
        int selected;
        Op op;
        int row;              // the row for update, remove, moves and select
        const wchar_t* path;  // the path for add and update
        bool result;          // add: a row was appended; the others: something changed
        const wchar_t* rows;  // afterwards
        int selectedAfter;
    };
    const Case cases[] = {
        {"add appends, selection stays", L"ab", 1, Add, 0, L"c.tmx", true, L"abc", 1},
        {"add trims the path", L"ab", 0, Add, 0, L" \tc.tmx \r\n", true, L"abc", 0},
        {"add of another case selects that row", L"abc", 0, Add, 0, L"B.TMX", false, L"abc", 1},
        {"add with blanks selects that row", L"abc", 2, Add, 0, L"  a.tmx ", false, L"abc", 0},
        {"add to an empty list", L"", 0, Add, 0, L"a.tmx", true, L"a", 0},
        {"update replaces, trimmed", L"abc", 0, Update, 1, L" x.tmx ", true, L"axc", 0},
        {"update makes no duplicate test", L"abc", 0, Update, 2, L"a.tmx", true, L"aba", 0},
        {"update out of range", L"abc", 0, Update, 3, L"x.tmx", false, L"abc", 0},
        {"remove the selected row selects row 0", L"abcd", 2, Remove, 2, nullptr, true, L"abd", 0},
        {"remove another row keeps the number", L"abcd", 2, Remove, 0, nullptr, true, L"bcd", 2},
        {"remove out of range", L"abc", 1, Remove, 3, nullptr, false, L"abc", 1},
        {"remove negative", L"abc", 1, Remove, -1, nullptr, false, L"abc", 1},
        {"up moves the selection along", L"abcd", 2, Up, 2, nullptr, true, L"acbd", 1},
        {"up of an unselected row", L"abcd", 0, Up, 3, nullptr, true, L"abdc", 0},
        {"up at row 0", L"abc", 0, Up, 0, nullptr, false, L"abc", 0},
        {"down moves the selection along", L"abcd", 1, Down, 1, nullptr, true, L"acbd", 2},
        {"down at the last row", L"abc", 2, Down, 2, nullptr, false, L"abc", 2},
        {"down on an empty list", L"", 0, Down, 0, nullptr, false, L"", 0},
        {"clear keeps the selected number", L"abcd", 3, Clear, 0, nullptr, true, L"", 3},
        {"clear of an empty list", L"", 0, Clear, 0, nullptr, false, L"", 0},
        {"select a row", L"abcd", 0, Select, 2, nullptr, true, L"abcd", 2},
        {"select the selected row", L"abcd", 2, Select, 2, nullptr, false, L"abcd", 2},
        {"select below 0 clamps to 0", L"abcd", 2, Select, -5, nullptr, true, L"abcd", 0},
        {"select beyond the last clamps to it", L"abcd", 0, Select, 9, nullptr, true, L"abcd", 3},
        {"select on an empty list stays at 0", L"", 0, Select, 4, nullptr, false, L"", 0},
    };
    for (const Case& c : cases) {
        GroupEntryList list = listOf(c.start, c.selected);
        bool result = false;
        int row = -2;
        switch (c.op) {
        case Add:
            result = list.add(c.path, L"new", 7, row) == GroupEntryList::AddResult::Added;
            break;
        case Update: result = list.update(c.row, c.path, L"new", 7); break;
        case Remove: result = list.remove(c.row); break;
        case Up: result = list.moveUp(c.row); break;
        case Down: result = list.moveDown(c.row); break;
        case Clear: result = list.clear(); break;
        case Select: result = list.select(c.row); break;
        }
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(lettersOf(list), c.rows) << c.what;
        EXPECT_EQ(list.selected(), c.selectedAfter) << c.what;
    }
}

TEST(GroupEntryListTest, AddKeepsWhatItIsGivenAndReportsTheRow) {
    GroupEntryList list = listOf(L"ab", 0);
    int row = -1;
    EXPECT_EQ(list.add(L" C:\\TM\\New File.tmx ", L"  Name ", 0x123456, row), GroupEntryList::AddResult::Added);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(list.entries()[2].path, L"C:\\TM\\New File.tmx");
    EXPECT_EQ(list.entries()[2].shortName, L"  Name "); // only the path is trimmed
    EXPECT_EQ(list.entries()[2].color, 0x123456u);

    // The existing row keeps its own name and colour.
    EXPECT_EQ(list.add(L"c:\\tm\\new file.TMX", L"Other", 0x0000FF, row), GroupEntryList::AddResult::Existing);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(list.selected(), 2);
    EXPECT_EQ(list.entries()[2].shortName, L"  Name ");
    EXPECT_EQ(list.entries()[2].color, 0x123456u);
    EXPECT_EQ(list.count(), 3);
}

TEST(GroupEntryListTest, SixtyFourRowsAtMostByAddingButALoadedGroupKeepsAll) {
    GroupEntryList list;
    int row = -1;
    for (int i = 0; i < 63; ++i)
        ASSERT_EQ(list.add(L"m" + std::to_wstring(i) + L".tmx", L"", 0, row), GroupEntryList::AddResult::Added);
    EXPECT_EQ(list.add(L"m63.tmx", L"", 0, row), GroupEntryList::AddResult::Added); // the 64th
    EXPECT_EQ(row, 63);
    EXPECT_EQ(list.add(L"m64.tmx", L"", 0, row), GroupEntryList::AddResult::Full); // the 65th
    EXPECT_EQ(row, -1);
    EXPECT_EQ(list.count(), 64);
    // A duplicate of a full list still finds its row.
    EXPECT_EQ(list.add(L"M10.TMX", L"", 0, row), GroupEntryList::AddResult::Existing);
    EXPECT_EQ(row, 10);

    std::vector<GroupEntry> loaded(70, GroupEntry{L"same.tmx", L"dup", 1});
    list.replace(loaded);
    EXPECT_EQ(list.count(), 70);
    EXPECT_EQ(list.add(L"other.tmx", L"", 0, row), GroupEntryList::AddResult::Full);
    EXPECT_EQ(list.find(L"SAME.tmx"), 0); // the first of the duplicates
}
