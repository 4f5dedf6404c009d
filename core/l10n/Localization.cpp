#include "core/l10n/Localization.h"

#include "core/l10n/LocalizedStringsParser.h"
#include "core/util/StringUtils.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <utility>

namespace {

const wchar_t kPackageName[] = L"LocalizedStrings";
const size_t kReservedLanguages = 24;

} // namespace

size_t languageMatchScore(const std::wstring& a, const std::wstring& b) {
    size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    return n;
}

std::wstring userNativeLanguageName() {
    wchar_t buffer[64];
    int written = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNATIVELANGNAME, buffer, 64);
    if (written <= 1)
        return std::wstring();
    return std::wstring(buffer, static_cast<size_t>(written - 1));
}

Localization& Localization::instance() {
    static Localization* localization = [] {
        // Held by a function-local static so that it is built on first use and destroyed at
        // exit, after every form (forms unregister in their destructors).
        static Localization object;
        PackageMap package;
        loadResourcePackage(kPackageName, package);
        object.load(package, userNativeLanguageName());
        return &object;
    }();
    return *localization;
}

Localization::Localization() {
    names_.reserve(kReservedLanguages);
    codes_.reserve(kReservedLanguages);
}

Localization::~Localization() {
    for (const auto& listener : listeners_)
        listener.first->localization_ = nullptr;
}

void Localization::load(const PackageMap& package, const std::wstring& localeLanguageName) {
    // The package map is ordered by entry name, which gives the load order.
    for (const auto& entry : package) {
        std::vector<uint8_t> copy;
        try {
            copy = unscrambledCopy(entry.second);
        } catch (const std::bad_alloc&) {
            continue;
        }
        addStringsFile(copy.data(), copy.size());
    }
    if (!names_.empty())
        chooseStartLanguage(localeLanguageName);
}

bool Localization::addStringsFile(const uint8_t* bytes, size_t size) {
    LocalizedStrings strings;
    if (!readLocalizedStrings(bytes, size, strings) || strings.language.empty())
        return false;
    const size_t index = names_.size();
    try {
        tables_.push_back(std::move(strings.table));
        names_.push_back(strings.language);
        codes_.push_back(strings.langcode);
        languageMap_.emplace(toLowerCase(strings.language), index);
    } catch (const std::bad_alloc&) {
        // Keep the three lists in step: drop whatever part of this language got in.
        tables_.resize(index);
        names_.resize(index);
        codes_.resize(index);
        return false;
    }
    return true;
}

void Localization::chooseStartLanguage(const std::wstring& localeLanguageName) {
    if (names_.empty())
        return;
    const std::wstring wanted = toLowerCase(localeLanguageName);
    auto found = languageMap_.lower_bound(wanted);
    if (found == languageMap_.end() || languageMatchScore(wanted, found->first) <= 4)
        found = languageMap_.lower_bound(L"en");
    // No name sorts at or after "en": the first language read is as good as any.
    makeCurrent(found != languageMap_.end() ? found->second : 0);
}

std::wstring Localization::getString(const std::wstring& key) const {
    if (!hasCurrent_)
        return key;
    const StringTable& table = tables_[currentIndex_];
    auto found = table.find(key);
    return found != table.end() ? found->second : key;
}

void Localization::setLanguage(const std::wstring& name) {
    auto found = languageMap_.find(toLowerCase(name));
    if (found == languageMap_.end())
        return;
    if (hasCurrent_ && found->second == currentIndex_)
        return;
    makeCurrent(found->second);

    // A listener may create or destroy forms (and so listeners) while it relabels itself:
    // walk a copy, and call only those still registered when their turn comes.
    std::vector<std::pair<LocaleListener*, uint64_t>> snapshot;
    try {
        snapshot.assign(listeners_.begin(), listeners_.end());
    } catch (const std::bad_alloc&) {
        return;
    }
    // In registration order: windows relabel in the same order on every run.
    std::sort(snapshot.begin(), snapshot.end(),
              [](const auto& a, const auto& b) { return a.second < b.second; });
    for (const auto& entry : snapshot) {
        auto found = listeners_.find(entry.first);
        if (found != listeners_.end() && found->second == entry.second)
            entry.first->localeChanged();
    }
}

std::wstring Localization::currentLanguageName() const {
    return hasCurrent_ ? names_[currentIndex_] : std::wstring();
}

std::wstring Localization::currentLanguageCode() const {
    return hasCurrent_ ? codes_[currentIndex_] : std::wstring();
}

void Localization::makeCurrent(size_t index) {
    currentIndex_ = index;
    hasCurrent_ = true;
}

void Localization::addListener(LocaleListener* listener) {
    listeners_[listener] = nextRegistration_++;
}

void Localization::removeListener(LocaleListener* listener) {
    listeners_.erase(listener);
}
