#include "filter_tool/LanguageList.h"
#include "filter_tool/ui/ProcessCheck.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::vector<LanguageEntry> parseText(const std::string& text) {
    return parseLanguageList(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The raw bytes of the list this program carries.
std::string embeddedListBytes() {
    const HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, L"LanguageList", RT_RCDATA);
    if (!found)
        return {};
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
}

TEST(LanguageListTest, CarriedListHasTheThirtyEightLanguagesInOrder) {
    const std::vector<LanguageEntry> entries = loadLanguageList(L"LanguageList");
    const wchar_t* codes[] = {
        L"ca", L"cs", L"da", L"de", L"el", L"en", L"en-AU", L"en-CA", L"en-GB", L"en-US",
        L"es", L"es-ES", L"es-MX", L"et", L"fi", L"fr", L"fr-CA", L"fr-FR", L"hr", L"hu",
        L"id", L"is", L"it", L"lt", L"lv", L"ms", L"nl", L"no", L"pl", L"pt",
        L"pt-BR", L"pt-PT", L"ro", L"ru", L"sk", L"sv", L"tr", L"uk"};
    ASSERT_EQ(38u, entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(codes[i], entries[i].shortName) << i;
        // Every code fits the language edit of the main window.
        EXPECT_LE(entries[i].shortName.size(), 5u) << i;
        EXPECT_FALSE(entries[i].longName.empty()) << i;
    }
    // Names outside ASCII arrive whole from the UTF-8 file.
    const struct {
        size_t row;
        const wchar_t* longName;
    } names[] = {
        {0, L"Catal\u00E0"},
        {1, L"\u010Cesk\u00FD"},
        {4, L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC"},
        {9, L"English (United States)"},
        {21, L"\u00CDslenska"},
        {32, L"Rom\u00E2n\u0103"},
        {33, L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439"},
        {37, L"\u0423\u043A\u0440\u0430\u0457\u043D\u0441\u044C\u043A\u0430"},
    };
    for (const auto& n : names)
        EXPECT_EQ(n.longName, entries[n.row].longName) << n.row;
}

TEST(LanguageListTest, CarriedFileIsPlainUtf8WithCrLfLinesAndThreeBlankIndent) {
    const std::string bytes = embeddedListBytes();
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<languages>\r\n";
    ASSERT_EQ(declaration, bytes.substr(0, declaration.size()));
    size_t lines = 0;
    size_t languageLines = 0;
    for (size_t start = 0; start < bytes.size();) {
        const size_t end = bytes.find('\n', start);
        ASSERT_NE(std::string::npos, end) << "the last line ends too";
        ASSERT_GT(end, start);
        EXPECT_EQ('\r', bytes[end - 1]) << "line " << lines;
        const std::string line = bytes.substr(start, end - 1 - start);
        if (line.find("<language ") != std::string::npos) {
            EXPECT_EQ(0u, line.find("   <language shortName=\"")) << line;
            ++languageLines;
        }
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(38u, languageLines);
    EXPECT_EQ(41u, lines);
}

TEST(LanguageListTest, ParserTakesLanguageElementsOnlyAndMissingAttributesReadEmpty) {
    const std::vector<LanguageEntry> entries = parseText(
        "<list>\n"
        "  <language shortName=\"xx\"/>\n"
        "  <language longName=\"Only a name\"></language>\n"
        "  <other shortName=\"no\" longName=\"No\"/>\n"
        "  <group><language shortName=\"yy\" longName=\"Nested\"/></group>\n"
        "</list>\n");
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(L"xx", entries[0].shortName);
    EXPECT_EQ(L"", entries[0].longName);
    EXPECT_EQ(L"", entries[1].shortName);
    EXPECT_EQ(L"Only a name", entries[1].longName);
    EXPECT_EQ(L"yy", entries[2].shortName);
    EXPECT_EQ(L"Nested", entries[2].longName);
}

TEST(LanguageListTest, DamagedOrMissingListGivesNoEntries) {
    const struct {
        const char* label;
        std::string text;
    } cases[] = {
        {"cut off inside a tag",
         "<languages><language shortName=\"de\" longName=\"Deutsch\"/><language shortName"},
        {"unknown markup", "<languages><!x><language shortName=\"de\" longName=\"D\"/></languages>"},
        {"comment never closed",
         "<languages><language shortName=\"de\" longName=\"Deutsch\"/><!-- more to come"},
        {"bytes that are not UTF-8",
         "<languages><language shortName=\"de\" longName=\"\xC3\x28\"/></languages>"},
        {"empty", ""},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(parseText(c.text).empty()) << c.label;
    EXPECT_TRUE(parseLanguageList(nullptr, 10).empty());
    EXPECT_TRUE(loadLanguageList(L"NoSuchLanguageList").empty());
}

TEST(ProcessCheckTest, PathFirstThenALanguageUnlessPropsAreRemoved) {
    const struct {
        const wchar_t* path;
        const wchar_t* language;
        bool removeProps;
        ProcessCheck expected;
    } cases[] = {
        {L"", L"de", false, ProcessCheck::MissingPath},
        {L"", L"", true, ProcessCheck::MissingPath},
        {L"C:\\in.tmx", L"", false, ProcessCheck::MissingLanguage},
        {L"C:\\in.tmx", L" \t ", false, ProcessCheck::MissingLanguage},
        {L"C:\\in.tmx", L"", true, ProcessCheck::Ready},
        {L"C:\\in.tmx", L"  ", true, ProcessCheck::Ready},
        {L"C:\\in.tmx", L" de ", false, ProcessCheck::Ready},
        {L"C:\\in.tmx", L"de-DE", true, ProcessCheck::Ready},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, checkProcessInput(c.path, c.language, c.removeProps))
            << "'" << c.path << "' '" << c.language << "' " << c.removeProps;
}

} // namespace
