#include "core/l10n/Localization.h"
#include "core/l10n/LocalizationKeys.h"
#include "core/l10n/LocalizedStringsParser.h"
#include "core/resources/ResourcePackage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

// The strings files as the test program carries them: the same package the programs embed.

namespace {

struct Language {
    const wchar_t* entry;
    const wchar_t* code;
    const wchar_t* name;
};

const Language kLanguages[] = {
    {L"strings/de.xml", L"de", L"Deutsch"},
    {L"strings/en.xml", L"en", L"English"},
    {L"strings/es.xml", L"es", L"espa\u00F1ol"},
    {L"strings/fr.xml", L"fr", L"fran\u00E7ais"},
    {L"strings/it.xml", L"it", L"italiano"},
    {L"strings/pt.xml", L"pt", L"portugu\u00EAs"},
    {L"strings/ru.xml", L"ru", L"\u0440\u0443\u0441\u0441\u043A\u0438\u0439"},
    {L"strings/uk.xml", L"uk", L"\u0443\u043A\u0440\u0430\u0457\u043D\u0441\u044C\u043A\u0430"},
};

bool endsWith(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool readEntry(const PackageMap& package, const wchar_t* name, LocalizedStrings& strings) {
    PackageEntry entry = findPackageEntry(name, package);
    if (entry.data == nullptr)
        return false;
    std::vector<uint8_t> bytes = unscrambledCopy(entry);
    return readLocalizedStrings(bytes.data(), bytes.size(), strings);
}

} // namespace

TEST(LocalizationStringsTest, TheKeyListHasNoDuplicates) {
    std::set<std::wstring> keys(l10n::kLocalizationKeys,
                                l10n::kLocalizationKeys + l10n::kLocalizationKeyCount);
    EXPECT_EQ(keys.size(), l10n::kLocalizationKeyCount);
}

TEST(LocalizationStringsTest, EveryLanguageDefinesExactlyTheKeysInUse) {
    PackageMap package;
    ASSERT_TRUE(loadResourcePackage(L"LocalizedStrings", package));
    ASSERT_EQ(package.size(), 8u);
    const std::set<std::wstring> keys(l10n::kLocalizationKeys,
                                      l10n::kLocalizationKeys + l10n::kLocalizationKeyCount);

    LocalizedStrings english;
    ASSERT_TRUE(readEntry(package, L"strings/en.xml", english));

    for (const Language& language : kLanguages) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(language.entry)));
        LocalizedStrings strings;
        ASSERT_TRUE(readEntry(package, language.entry, strings));
        EXPECT_EQ(strings.language, language.name);
        EXPECT_EQ(strings.langcode, language.code);

        for (const std::wstring& key : keys) {
            auto found = strings.table.find(key);
            if (found == strings.table.end()) {
                ADD_FAILURE() << "missing key " << testing::PrintToString(key);
                continue;
            }
            const std::wstring& text = found->second;
            ASSERT_FALSE(text.empty()) << testing::PrintToString(key);
            // Texts are read as they stand: no stray blanks or line breaks at either end.
            EXPECT_EQ(text.find_first_of(L"\t\r\n"), std::wstring::npos) << testing::PrintToString(key);
            EXPECT_NE(text.front(), L' ') << testing::PrintToString(key);
            EXPECT_NE(text.back(), L' ') << testing::PrintToString(key);
            // Labels keep their colon and commands that open a window their ellipsis, as in
            // English.
            const std::wstring& model = english.table[key];
            EXPECT_EQ(endsWith(text, L":"), endsWith(model, L":")) << testing::PrintToString(key);
            EXPECT_EQ(endsWith(text, L"..."), endsWith(model, L"...")) << testing::PrintToString(key);
        }
        for (const auto& entry : strings.table)
            EXPECT_EQ(keys.count(entry.first), 1u) << "unknown key " << testing::PrintToString(entry.first);
    }
}

TEST(LocalizationStringsTest, TheProgramsLocalizationLoadsAllLanguages) {
    Localization& localization = Localization::instance();
    std::vector<std::wstring> names;
    std::vector<std::wstring> codes;
    for (const Language& language : kLanguages) {
        names.push_back(language.name);
        codes.push_back(language.code);
    }
    EXPECT_EQ(localization.languageNames(), names);
    EXPECT_EQ(localization.languageCodes(), codes);
    // The tests run under an English user locale.
    EXPECT_EQ(localization.currentLanguageCode(), L"en");
    EXPECT_EQ(localization.getString(L"ErrorOpeningFile"), L"The file could not be opened.");
    EXPECT_EQ(localization.getString(L"NotAKey"), L"NotAKey");

    // What a form does at start-up with a stored choice; the instance is shared, so it is left
    // as it was found.
    localization.setLanguage(L"DEUTSCH");
    EXPECT_EQ(localization.getString(L"Cancel"), L"Abbrechen");
    EXPECT_EQ(localization.currentLanguageCode(), L"de");
    localization.setLanguage(L"English");
    EXPECT_EQ(localization.currentLanguageCode(), L"en");
}
