#include "core/l10n/Localization.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string stringsFile(const std::string& language, const std::string& code,
                        const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<localized-strings language=\"" + language +
           "\" langcode=\"" + code + "\">\n" + body + "\n</localized-strings>\n";
}

bool add(Localization& localization, const std::string& xml) {
    return localization.addStringsFile(reinterpret_cast<const uint8_t*>(xml.data()),
                                       xml.size());
}

// The eight languages as the program carries them, with a marker text each.
void addEightLanguages(Localization& localization) {
    const char* const languages[][2] = {
        {"Deutsch", "de"},          {"English", "en"},
        {"espa\xC3\xB1ol", "es"},   {"fran\xC3\xA7" "ais", "fr"},
        {"italiano", "it"},         {"portugu\xC3\xAAs", "pt"},
        {"\xD1\x80\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9", "ru"},
        {"\xD1\x83\xD0\xBA\xD1\x80\xD0\xB0\xD1\x97\xD0\xBD\xD1\x81\xD1\x8C\xD0\xBA\xD0\xB0", "uk"},
    };
    for (const auto& language : languages) {
        ASSERT_TRUE(add(localization,
                        stringsFile(language[0], language[1],
                                    std::string("<string id=\"Code\">") + language[1] +
                                        "</string>")));
    }
}

} // namespace

TEST(LocalizationTest, LooksUpTheCurrentLanguageAndFallsBackToTheKey) {
    Localization localization;
    EXPECT_EQ(localization.getString(L"Search"), L"Search");
    EXPECT_EQ(localization.currentLanguageName(), L"");
    EXPECT_EQ(localization.currentLanguageCode(), L"");

    ASSERT_TRUE(add(localization, stringsFile("Deutsch", "de",
                                              "<string id=\"Search\">Suchen</string>"
                                              "<string id=\"Search\">Finden</string>"
                                              "<other id=\"Close\">x</other>"
                                              "<string id=\"Amp\">A &amp; B &lt;C&gt;</string>")));
    // Read, but no language is current until one is chosen.
    EXPECT_EQ(localization.getString(L"Search"), L"Search");
    localization.chooseStartLanguage(L"Deutsch");

    EXPECT_EQ(localization.getString(L"Search"), L"Suchen");
    EXPECT_EQ(localization.getString(L"Amp"), L"A & B <C>");
    EXPECT_EQ(localization.getString(L"Close"), L"Close");
    EXPECT_EQ(localization.getString(L"NoSuchKey"), L"NoSuchKey");
    EXPECT_EQ(localization.currentLanguageName(), L"Deutsch");
    EXPECT_EQ(localization.currentLanguageCode(), L"de");
}

TEST(LocalizationTest, SkipsFilesThatDoNotParseOrNameNoLanguage) {
    Localization localization;
    EXPECT_FALSE(add(localization, stringsFile("", "xx", "<string id=\"A\">a</string>")));
    EXPECT_FALSE(add(localization, "<localized-strings language=\"Broken\"><string id=\"A\">a<"));
    EXPECT_FALSE(add(localization, ""));
    EXPECT_TRUE(add(localization, "<localized-strings language=\"English\"/>"));
    EXPECT_EQ(localization.languageNames(), std::vector<std::wstring>{L"English"});
    EXPECT_EQ(localization.languageCodes(), std::vector<std::wstring>{L""});
}

TEST(LocalizationTest, StartLanguageFollowsTheLocaleNameWithFiveCommonUnits) {
    struct Case {
        const wchar_t* locale;
        const wchar_t* chosen;
    };
    const Case cases[] = {
        {L"Deutsch", L"de"},
        {L"DEUTSCH", L"de"},
        {L"English", L"en"},
        {L"Espa\u00D1ol", L"es"},             // case aside, beyond ASCII too
        {L"fran\u00E7ais", L"fr"},
        {L"italiano", L"it"},
        {L"portugu\u00EAs", L"pt"},
        {L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439", L"ru"},
        {L"\u0443\u043A\u0440\u0430\u0457\u043D\u0441\u044C\u043A\u0430", L"uk"},
        {L"deuts", L"de"},                    // five leading units are enough
        {L"deut", L"en"},                     // four are not
        {L"Deutschland", L"en"},              // the nearest name at or after it is "english"
        {L"Nederlands", L"en"},
        {L"", L"en"},
    };
    for (const Case& c : cases) {
        Localization localization;
        addEightLanguages(localization);
        localization.chooseStartLanguage(c.locale);
        EXPECT_EQ(localization.currentLanguageCode(), c.chosen) << testing::PrintToString(c.locale);
        EXPECT_EQ(localization.getString(L"Code"), c.chosen);
    }
}

TEST(LocalizationTest, StartLanguageWithoutEnglishOrAnythingAfterItTakesTheFirstLanguage) {
    Localization localization;
    ASSERT_TRUE(add(localization, stringsFile("Dansk", "da", "")));
    ASSERT_TRUE(add(localization, stringsFile("Deutsch", "de", "")));
    localization.chooseStartLanguage(L"Suomi");
    EXPECT_EQ(localization.currentLanguageCode(), L"da");

    Localization afterEnglish;
    ASSERT_TRUE(add(afterEnglish, stringsFile("Deutsch", "de", "")));
    ASSERT_TRUE(add(afterEnglish, stringsFile("italiano", "it", "")));
    afterEnglish.chooseStartLanguage(L"Suomi");
    EXPECT_EQ(afterEnglish.currentLanguageCode(), L"it");
}

TEST(LocalizationTest, TheSystemNamesEachLanguageAsItsStringsFileDoes) {
    // The start language is found by the native language name that the system reports for the
    // user's locale; each strings file must be found from its own language's name.
    const wchar_t* const codes[] = {L"de", L"en", L"es", L"fr", L"it", L"pt", L"ru", L"uk"};
    for (const wchar_t* code : codes) {
        wchar_t name[64] = {};
        ASSERT_GT(GetLocaleInfoEx(code, LOCALE_SNATIVELANGNAME, name, 64), 1) << code;
        Localization localization;
        addEightLanguages(localization);
        localization.chooseStartLanguage(name);
        EXPECT_EQ(localization.currentLanguageCode(), code) << testing::PrintToString(name);
    }
}

namespace {

class CountingListener : public LocaleListener {
public:
    explicit CountingListener(Localization& localization, int* calls = nullptr)
        : LocaleListener(localization), calls_(calls) {}
    void localeChanged() override {
        ++count;
        if (calls_ != nullptr)
            ++*calls_;
        // A copy, since the action may destroy this listener and its own action with it.
        std::function<void(CountingListener&)> action = onChange;
        if (action)
            action(*this);
    }
    int count = 0;
    std::function<void(CountingListener&)> onChange;

private:
    int* calls_;
};

} // namespace

TEST(LocalizationTest, SwitchingTellsEachListenerOnceAndOnlyOnARealChange) {
    Localization localization;
    addEightLanguages(localization);
    localization.chooseStartLanguage(L"English");
    CountingListener first(localization);
    CountingListener second(localization);

    localization.setLanguage(L"ENGLISH");
    EXPECT_EQ(first.count, 0);
    localization.setLanguage(L"Klingon");
    EXPECT_EQ(first.count, 0);
    EXPECT_EQ(localization.currentLanguageCode(), L"en");

    localization.setLanguage(L"deutsch");
    EXPECT_EQ(localization.currentLanguageName(), L"Deutsch");
    EXPECT_EQ(first.count, 1);
    EXPECT_EQ(second.count, 1);
    {
        CountingListener gone(localization);
    }
    localization.setLanguage(L"English");
    EXPECT_EQ(first.count, 2);
    EXPECT_EQ(second.count, 2);
}

TEST(LocalizationTest, ListenersCreatedOrDestroyedWhileNotifiedAreHandledSafely) {
    Localization localization;
    addEightLanguages(localization);
    localization.chooseStartLanguage(L"English");

    // Each listener, when told, destroys every other listener and creates a new one: whichever
    // comes first in the walk, the destroyed ones must not be called, and the walk goes on.
    int calls = 0;
    std::vector<std::unique_ptr<CountingListener>> listeners;
    std::vector<std::unique_ptr<CountingListener>> created;
    for (int i = 0; i < 4; ++i)
        listeners.push_back(std::make_unique<CountingListener>(localization, &calls));
    for (auto& listener : listeners) {
        listener->onChange = [&](CountingListener& self) {
            for (auto& other : listeners) {
                if (other.get() != &self)
                    other.reset();
            }
            created.push_back(std::make_unique<CountingListener>(localization, &calls));
        };
    }
    localization.setLanguage(L"Deutsch");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(created.size(), 1u);

    // The survivor and the one created during the walk both hear the next change.
    localization.setLanguage(L"English");
    EXPECT_EQ(calls, 3);

    // A listener that destroys itself while it is told.
    created.clear();
    for (auto& listener : listeners)
        listener.reset();
    auto* self = new CountingListener(localization, &calls);
    CountingListener after(localization, &calls);
    self->onChange = [](CountingListener& me) { delete &me; };
    calls = 0;
    localization.setLanguage(L"Deutsch");
    EXPECT_EQ(calls, 2);
    localization.setLanguage(L"English");
    EXPECT_EQ(calls, 3);
}

// The localization lives in memory of the test's own here, so that what the listener's
// destructor does to it after it was destroyed shows: nothing may be written there.
TEST(LocalizationTest, AListenerMayOutliveItsLocalization) {
    alignas(Localization) unsigned char memory[sizeof(Localization)];
    auto* localization = new (memory) Localization;
    addEightLanguages(*localization);
    localization->chooseStartLanguage(L"English");
    auto listener = std::make_unique<CountingListener>(*localization);
    localization->~Localization();
    std::memset(memory, 0xA5, sizeof memory);
    listener.reset();
    EXPECT_TRUE(std::all_of(memory, memory + sizeof memory, [](unsigned char b) { return b == 0xA5; }));
}

// Listeners hear a change in the order they registered, whatever their addresses.
TEST(LocalizationTest, ListenersAreToldInRegistrationOrder) {
    Localization localization;
    addEightLanguages(localization);
    localization.chooseStartLanguage(L"English");
    // Made first, registered in the reverse order of their addresses.
    std::vector<std::unique_ptr<unsigned char[]>> slots;
    for (int i = 0; i < 6; ++i)
        slots.emplace_back(new unsigned char[sizeof(CountingListener)]);
    std::sort(slots.begin(), slots.end(), [](const auto& a, const auto& b) { return a.get() > b.get(); });
    std::vector<int> heard;
    std::vector<CountingListener*> listeners;
    for (int i = 0; i < 6; ++i) {
        auto* listener = new (slots[static_cast<size_t>(i)].get()) CountingListener(localization);
        listener->onChange = [&heard, i](CountingListener&) { heard.push_back(i); };
        listeners.push_back(listener);
    }
    localization.setLanguage(L"Deutsch");
    EXPECT_EQ(heard, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    for (CountingListener* listener : listeners)
        listener->~CountingListener();
}
