#pragma once

#include <cstdint>
#include <string>

// A UTC date-time to the second in eight bytes, also its layout inside the .idx file: year (u16
// little-endian), month, day, hour, minute, second, one spare byte. The all-zero value means "no
// date". Bits above each field's width and the spare byte belong to no field.
struct PackedDate {
    uint16_t year = 0;
    uint8_t month = 0;
    uint8_t day = 0;
    uint8_t hour = 0;
    uint8_t minute = 0;
    uint8_t second = 0;
    uint8_t spare = 0;

    // Stores each value masked to its field's width.
    void set(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
             unsigned second);
    // Compares the fields within their widths; spare bits and byte 7 are ignored.
    bool equals(const PackedDate& other) const;
    bool isZero() const;

    void toBytes(uint8_t out[8]) const;
    static PackedDate fromBytes(const uint8_t in[8]);
};

static_assert(sizeof(PackedDate) == 8, "PackedDate is eight bytes");

// Reads "YYYYMMDDThhmmssZ" without validation; shorter than 15 characters gives the zero date.
PackedDate parsePackedDate(const std::wstring& text);
// The 16-character TMX form.
std::wstring formatPackedDate(const PackedDate& date);
PackedDate packedDateNow();
// The file's last-write time in UTC, to the second; false when it cannot be opened or read.
bool fileModificationDate(const std::wstring& path, PackedDate& date);
