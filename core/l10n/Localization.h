#pragma once

#include "core/l10n/LocaleListener.h"
#include "core/resources/ResourcePackage.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The interface texts of every language the program carries, and the one language in use.
// Texts are looked up by key; a key that the current language lacks is shown as the key itself.
// GUI thread only.
class Localization {
public:
    using StringTable = std::map<std::wstring, std::wstring>;

    // The process-wide instance: on first use it reads every strings file of the program's
    // "LocalizedStrings" package and chooses the start language from the user's locale.
    static Localization& instance();

    // An instance without languages; fill it with addStringsFile or load.
    Localization();
    ~Localization();

    Localization(const Localization&) = delete;
    Localization& operator=(const Localization&) = delete;

    // Reads every entry of a strings package in entry-name order, then, when at least one
    // language was read, chooses the start language for the given native language name of the
    // user's locale (see chooseStartLanguage).
    void load(const PackageMap& package, const std::wstring& localeLanguageName);

    // Adds the language of one strings file (UTF-8 XML, already unscrambled). A file that does
    // not parse or whose "language" attribute is empty adds nothing and gives false. A language
    // whose name (case aside) is already known is added to the lists but never chosen by name.
    bool addStringsFile(const uint8_t* bytes, size_t size);

    // Chooses the language whose name best fits the given native language name (case aside),
    // else the language found for "en", else the first language read. Tells no listener.
    void chooseStartLanguage(const std::wstring& localeLanguageName);

    // The current language's text for the key, or the key itself.
    std::wstring getString(const std::wstring& key) const;

    // Switches to the language of that name (case aside) and tells every registered listener
    // once. The current language, or a name that names no language, changes nothing.
    void setLanguage(const std::wstring& name);

    // Empty while no language is current.
    std::wstring currentLanguageName() const;
    std::wstring currentLanguageCode() const;

    // In load order; the names are what the settings window offers.
    const std::vector<std::wstring>& languageNames() const { return names_; }
    const std::vector<std::wstring>& languageCodes() const { return codes_; }

private:
    friend class LocaleListener;

    void addListener(LocaleListener* listener);
    void removeListener(LocaleListener* listener);
    void makeCurrent(size_t index);

    std::map<std::wstring, size_t> languageMap_; // lower-cased name -> index
    std::vector<std::wstring> names_;
    std::vector<std::wstring> codes_;
    std::vector<StringTable> tables_;
    // An index rather than a pointer: adding a language may move the tables.
    bool hasCurrent_ = false;
    size_t currentIndex_ = 0;
    // Each registration has its own number, so that a listener built during a notification at
    // the address of one destroyed during it is not taken for the old one.
    std::map<LocaleListener*, uint64_t> listeners_;
    uint64_t nextRegistration_ = 0;
};

// The number of leading UTF-16 units that the two texts share.
size_t languageMatchScore(const std::wstring& a, const std::wstring& b);

// The native name of the user's default language as the system reports it (for example
// "Deutsch"), or an empty string when the system gives none.
std::wstring userNativeLanguageName();
