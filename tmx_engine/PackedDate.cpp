#include "tmx_engine/PackedDate.h"

#include "core/util/Win32Handle.h"

#include <windows.h>

void PackedDate::set(unsigned y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s) {
    year = static_cast<uint16_t>(y);
    month = static_cast<uint8_t>(mo & 0x0F);
    day = static_cast<uint8_t>(d & 0x1F);
    hour = static_cast<uint8_t>(h & 0x1F);
    minute = static_cast<uint8_t>(mi & 0x3F);
    second = static_cast<uint8_t>(s & 0x3F);
    spare = 0;
}

bool PackedDate::equals(const PackedDate& o) const {
    return year == o.year && (month & 0x0F) == (o.month & 0x0F) && (day & 0x1F) == (o.day & 0x1F) &&
           (hour & 0x1F) == (o.hour & 0x1F) && (minute & 0x3F) == (o.minute & 0x3F) &&
           (second & 0x3F) == (o.second & 0x3F);
}

bool PackedDate::isZero() const {
    return year == 0 && month == 0 && day == 0 && hour == 0 && minute == 0 && second == 0 &&
           spare == 0;
}

void PackedDate::toBytes(uint8_t out[8]) const {
    out[0] = static_cast<uint8_t>(year & 0xFF);
    out[1] = static_cast<uint8_t>(year >> 8);
    out[2] = month;
    out[3] = day;
    out[4] = hour;
    out[5] = minute;
    out[6] = second;
    out[7] = spare;
}

PackedDate PackedDate::fromBytes(const uint8_t in[8]) {
    PackedDate d;
    d.year = static_cast<uint16_t>(in[0] | (in[1] << 8));
    d.month = in[2];
    d.day = in[3];
    d.hour = in[4];
    d.minute = in[5];
    d.second = in[6];
    d.spare = in[7];
    return d;
}

PackedDate parsePackedDate(const std::wstring& text) {
    PackedDate date;
    if (text.size() < 15)
        return date;
    auto d = [&text](size_t i) { return static_cast<int>(text[i]) - static_cast<int>(L'0'); };
    const int year = 1000 * d(0) + 100 * d(1) + 10 * d(2) + d(3);
    const int month = 10 * d(4) + d(5);
    const int day = 10 * d(6) + d(7);
    const int hour = 10 * d(9) + d(10);
    const int minute = 10 * d(11) + d(12);
    const int second = 10 * d(13) + d(14);
    date.set(static_cast<unsigned>(year), static_cast<unsigned>(month), static_cast<unsigned>(day),
             static_cast<unsigned>(hour), static_cast<unsigned>(minute),
             static_cast<unsigned>(second));
    return date;
}

std::wstring formatPackedDate(const PackedDate& date) {
    std::wstring out;
    out.reserve(16);
    const unsigned y = date.year;
    out += static_cast<wchar_t>(L'0' + y / 1000);
    out += static_cast<wchar_t>(L'0' + y / 100 % 10);
    out += static_cast<wchar_t>(L'0' + y / 10 % 10);
    out += static_cast<wchar_t>(L'0' + y % 10);
    auto two = [&out](unsigned v) {
        out += static_cast<wchar_t>(L'0' + v / 10);
        out += static_cast<wchar_t>(L'0' + v % 10);
    };
    two(date.month & 0x0Fu);
    two(date.day & 0x1Fu);
    out += L'T';
    two(date.hour & 0x1Fu);
    two(date.minute & 0x3Fu);
    two(date.second & 0x3Fu);
    out += L'Z';
    return out;
}

PackedDate packedDateNow() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    PackedDate date;
    date.set(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return date;
}

bool fileModificationDate(const std::wstring& path, PackedDate& date) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    FILETIME written;
    if (!GetFileTime(file.get(), nullptr, nullptr, &written))
        return false;
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&written, &st))
        return false;
    date.set(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return true;
}
