#include "viewer/EntryDetailsText.h"

#include <windows.h>

namespace {

constexpr int kFormatRoom = 128;

// What the platform wrote, or nothing when it failed: never text it did not write.
template <class Format>
std::wstring platformText(Format format) {
    wchar_t buffer[kFormatRoom];
    const int written = format(buffer, kFormatRoom);
    if (written <= 1)
        return std::wstring();
    return std::wstring(buffer, static_cast<std::size_t>(written - 1));
}

} // namespace

std::wstring formatEntryDate(const PackedDate& date) {
    SYSTEMTIME time = {};
    time.wYear = date.year;
    time.wMonth = static_cast<WORD>(date.month & 0x0F);
    time.wDay = static_cast<WORD>(date.day & 0x1F);
    time.wHour = static_cast<WORD>(date.hour & 0x1F);
    time.wMinute = static_cast<WORD>(date.minute & 0x3F);
    time.wSecond = static_cast<WORD>(date.second & 0x3F);
    const std::wstring day = platformText([&time](wchar_t* out, int room) {
        return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, out, room);
    });
    if (day.empty() && time.wHour == 0 && time.wMinute == 0)
        return std::wstring();
    const std::wstring clock = platformText([&time](wchar_t* out, int room) {
        return GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, out, room);
    });
    if (day.empty())
        return clock;
    if (clock.empty())
        return day;
    return day + L" " + clock;
}

std::wstring orNotAvailable(const std::wstring& text) {
    return text.empty() ? std::wstring(L"n/a") : text;
}

std::vector<std::wstring> targetLanguagesOf(const TmxEntry& entry) {
    std::vector<std::wstring> codes;
    for (const auto& language : entry.segments) {
        if (language.first != entry.sourceLanguage)
            codes.push_back(language.first);
    }
    return codes;
}

std::wstring joinLanguages(const std::vector<std::wstring>& codes) {
    std::wstring text;
    for (const std::wstring& code : codes) {
        if (!text.empty())
            text += L", ";
        text += code;
    }
    return text;
}
