#include "core/settings/Settings.h"

#include "core/resources/Scrambling.h"
#include "core/settings/SettingsConsumer.h"
#include "core/tests/TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;
using testfiles::exists;
using testfiles::readFile;

namespace {

// A folder of its own for each test, removed afterwards.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.file(L"Varnel.cfg");
        savedDpi_ = winui::screenDpiY;
        winui::screenDpiY = 96;
    }
    void TearDown() override { winui::screenDpiY = savedDpi_; }

    static void writeFile(const std::wstring& path, const Bytes& bytes) {
        ASSERT_TRUE(testfiles::writeFile(path, bytes));
    }

    // Writes plain node bytes the way the settings file holds them.
    void writeScrambled(Bytes plain) {
        scrambleBytes(plain.data(), plain.size());
        writeFile(path_, plain);
    }

    testfiles::TempDir folder_{L"settings_test"};
    std::wstring path_;

private:
    int32_t savedDpi_ = 0;
};

class Counter : public SettingsConsumer {
public:
    explicit Counter(Settings& settings) : SettingsConsumer(settings) {}
    void settingsChanged() override { ++calls; }
    int calls = 0;
};

} // namespace

TEST_F(SettingsFileTest, EmptyTreeFileIsTheTwoScrambledBytes) {
    Settings settings;
    ASSERT_TRUE(settings.saveFile(path_));
    EXPECT_EQ(readFile(path_), (Bytes{0x0E, 0xFF}));
    Settings back;
    EXPECT_TRUE(back.loadFile(path_));
}

TEST_F(SettingsFileTest, EveryValueTypeSurvivesTheFile) {
    Settings settings;
    settings.set<std::wstring>(L"UILanguage", L"Fran\u00e7ais");
    settings.set(L"font", winui::Font(L"Tahoma", 9.75f, winui::FontBold));
    settings.set(L"mainFormRect", winui::Rect(10, -20, 810, 620));
    settings.set(L"mainFormMaximized", true);
    settings.set(L"maxSearchResults", -1);
    settings.set(L"unsignedValue", 0xFFFFFFF0u);
    settings.set(L"resultsBgColor1", 0x00EEEEEEul);
    settings.set(L"lastUpdateCheckDate", FT(0x01DA0123456789ABull));
    settings.set<std::wstring>(L"group/entry", L"nested");
    ASSERT_TRUE(settings.saveFile(path_));

    Settings back;
    ASSERT_TRUE(back.loadFile(path_));
    EXPECT_TRUE(back.typedValues().empty()); // all raw until read
    EXPECT_EQ(back.get<std::wstring>(L"UILanguage", L""), L"Fran\u00e7ais");
    std::wstring face;
    float size = 0;
    uint16_t style = 0;
    back.get(L"font", winui::Font()).describe(face, size, style);
    EXPECT_EQ(face, L"Tahoma");
    EXPECT_FLOAT_EQ(size, 9.75f);
    EXPECT_EQ(style, winui::FontBold);
    EXPECT_EQ(back.get(L"mainFormRect", winui::Rect()), winui::Rect(10, -20, 810, 620));
    EXPECT_TRUE(back.get(L"mainFormMaximized", false));
    EXPECT_EQ(back.get(L"maxSearchResults", 0), -1);
    EXPECT_EQ(back.get(L"unsignedValue", 0u), 0xFFFFFFF0u);
    EXPECT_EQ(back.get(L"resultsBgColor1", 0u), 0x00EEEEEEu);
    EXPECT_EQ(back.get(L"lastUpdateCheckDate", FT()), FT(0x01DA0123456789ABull));
    EXPECT_EQ(back.get<std::wstring>(L"group/entry", L""), L"nested");
}

TEST_F(SettingsFileTest, ReadsAFileWrittenByTheFormatAlone) {
    // Built byte by byte from the format: two values and one child.
    writeScrambled({0x02,                                           // two values
                    0x04, 0x00, 'f', 0, 'l', 0, 'a', 0, 'g', 0,     // "flag"
                    0x01, 0x01,                                     // one byte: true
                    0x01, 0x00, 'n', 0,                             // "n"
                    0x04, 0x2A, 0x00, 0x00, 0x00,                   // int 42
                    0x01,                                           // one child
                    0x01, 0x00, 'c', 0,                             // "c"
                    0x01, 0x01, 0x00, 'v', 0, 0x01, 0x00, 0x00});   // { v: false }, no children
    Settings settings;
    ASSERT_TRUE(settings.loadFile(path_));
    EXPECT_TRUE(settings.get(L"flag", false));
    EXPECT_EQ(settings.get(L"n", 0), 42);
    EXPECT_FALSE(settings.get(L"c/v", true));
}

TEST_F(SettingsFileTest, MissingFileLoadsNothing) {
    Settings settings;
    settings.set(L"keep", 3);
    EXPECT_FALSE(settings.loadFile(folder_.file(L"absent.cfg")));
    EXPECT_EQ(settings.get(L"keep", 0), 3);
}

TEST_F(SettingsFileTest, DamagedFilesLoadNothingAndLeaveTheTree) {
    Bytes valid;
    {
        Settings source;
        source.set(L"alpha", 1);
        source.set<std::wstring>(L"beta", L"text");
        source.set(L"child/gamma", winui::Rect(1, 2, 3, 4));
        source.serialize(valid);
    }
    Bytes deep;
    for (int i = 0; i < 10000; ++i) deep.insert(deep.end(), {0x00, 0x01, 0x01, 0x00, 'n', 0x00});
    deep.insert(deep.end(), {0x00, 0x00});
    Bytes trailing = valid;
    trailing.push_back(0x00);

    const struct {
        const char* what;
        Bytes plain;
    } cases[] = {
        {"empty file", {}},
        {"one byte", {0x00}},
        {"huge value count", {0xEF, 0xBF, 0xBF, 0x00, 0x00}},
        {"huge child count", {0x00, 0xEF, 0xBF, 0xBF, 0x00, 0x00, 0x00, 0x00}},
        {"value length past the end", {0x01, 0x01, 0x00, 'a', 0x00, 0xEF, 0xBF, 0xBF, 0x01, 0x02, 0x00}},
        {"name length past the end", {0x01, 0xFF, 0xFF, 'a', 0x00, 0x00, 0x00}},
        {"deep nesting", deep},
        {"trailing byte", trailing},
        {"last byte missing", Bytes(valid.begin(), valid.end() - 1)},
    };
    for (const auto& c : cases) {
        writeScrambled(c.plain);
        Settings settings;
        settings.set(L"keep", 9);
        EXPECT_FALSE(settings.loadFile(path_)) << c.what;
        EXPECT_EQ(settings.get(L"keep", 0), 9) << c.what;
        EXPECT_FALSE(settings.contains(L"alpha")) << c.what;
    }

    // Cut anywhere, the scrambled file unscrambles to other bytes throughout; none of the
    // prefixes may crash or hang the load.
    Bytes file = valid;
    scrambleBytes(file.data(), file.size());
    for (size_t length = 0; length < file.size(); ++length) {
        writeFile(path_, Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
        Settings settings;
        settings.loadFile(path_);
    }
}

TEST_F(SettingsFileTest, OversizedFileIsNotRead) {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = Settings::kMaxFileBytes + 1;
    SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    Settings settings;
    EXPECT_FALSE(settings.loadFile(path_));
}

TEST_F(SettingsFileTest, SavingGoesThroughATemporaryFile) {
    Settings first;
    first.set(L"version", 1);
    ASSERT_TRUE(first.saveFile(path_));
    const Bytes saved = readFile(path_);

    // With the file held open by another program, the save fails, the old file stays whole and
    // no temporary file is left beside it.
    HANDLE holder = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Settings second;
    second.set(L"version", 2);
    EXPECT_FALSE(second.saveFile(path_));
    CloseHandle(holder);
    EXPECT_EQ(readFile(path_), saved);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path_ + L"*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);

    ASSERT_TRUE(second.saveFile(path_));
    Settings back;
    ASSERT_TRUE(back.loadFile(path_));
    EXPECT_EQ(back.get(L"version", 0), 2);
}

TEST_F(SettingsFileTest, UnreadValuesAreSavedBackUnchanged) {
    Settings settings;
    settings.set(L"a", true);
    settings.set<std::wstring>(L"b", L"two");
    ASSERT_TRUE(settings.saveFile(path_));
    const Bytes original = readFile(path_);

    Settings reloaded;
    ASSERT_TRUE(reloaded.loadFile(path_));
    EXPECT_FALSE(reloaded.holdsUsedValues());
    ASSERT_TRUE(reloaded.saveFile(path_));
    EXPECT_EQ(readFile(path_), original);
}

TEST_F(SettingsFileTest, LoadingTellsEachConsumerOnceAtTheEnd) {
    Settings source;
    source.set(L"font", winui::Font(L"Tahoma", 9.0f, 0));
    source.set(L"showTags", true);
    source.set(L"other", 1);
    ASSERT_TRUE(source.saveFile(path_));

    Settings settings;
    Counter watcher(settings);
    settings.track(L"font", &watcher);
    settings.track(L"showTags", &watcher);
    Counter bystander(settings);
    settings.track(L"absent", &bystander);
    ASSERT_TRUE(settings.loadFile(path_));
    EXPECT_EQ(watcher.calls, 1);
    EXPECT_EQ(bystander.calls, 0);
    EXPECT_EQ(settings.batchDepth(), 0);
}

TEST(SettingsGlobalTest, OneTreeForTheProcess) {
    EXPECT_EQ(&Settings::global(), &Settings::global());
    struct Local : SettingsConsumer {
    } local;
    EXPECT_EQ(&local.settingsProvider(), static_cast<SettingsTrackingProvider*>(&Settings::global()));
}
