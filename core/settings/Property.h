#pragma once

#include "core/settings/ByteReader.h"
#include "core/values/Font.h"
#include "core/values/Rect.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A date setting in its stored 8-byte form: the low u32, then the high u32, that is one
// little-endian 64-bit value. The update check keeps a FILETIME in it ("lastUpdateCheckDate").
// The core library knows no other date type; the engine's PackedDate, whose eight bytes are
// its own stored form, converts to and from this raw value (its bytes read as a
// little-endian uint64), so core never depends on the engine.
struct FT {
    uint64_t value = 0;

    constexpr FT() = default;
    constexpr explicit FT(uint64_t raw) : value(raw) {}

    static FT fromFileTime(const FILETIME& time) {
        return FT((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    }
    FILETIME toFileTime() const {
        FILETIME time;
        time.dwLowDateTime = static_cast<DWORD>(value);
        time.dwHighDateTime = static_cast<DWORD>(value >> 32);
        return time;
    }

    friend constexpr bool operator==(const FT& a, const FT& b) { return a.value == b.value; }
    friend constexpr bool operator!=(const FT& a, const FT& b) { return a.value != b.value; }
};

// A typed setting value that turns itself into bytes and back.
class Property__ {
public:
    virtual ~Property__() = default;
    // Reads the value's bytes at the cursor and moves past them. False when the bytes run
    // out (a damaged file); the value is then left as it was.
    virtual bool read(ByteReader& in) = 0;
    // Appends exactly size() bytes.
    virtual void write(std::vector<uint8_t>& out) const = 0;
    virtual size_t size() const = 0;
};

// Instances: std::wstring, winui::Font, winui::Rect, bool, int, unsigned int, unsigned long
// and FT (byte forms in Property.cpp).
template <typename T>
class Property final : public Property__ {
public:
    T value{};

    bool read(ByteReader& in) override;
    void write(std::vector<uint8_t>& out) const override;
    size_t size() const override;
};

// A stored bool byte other than 0 and 1 reads as true and is written back as it was.
template <>
class Property<bool> final : public Property__ {
public:
    bool value = false;

    bool read(ByteReader& in) override;
    void write(std::vector<uint8_t>& out) const override;
    size_t size() const override { return 1; }

private:
    uint8_t storedByte_ = 0;
};

extern template class Property<std::wstring>;
extern template class Property<winui::Font>;
extern template class Property<winui::Rect>;
extern template class Property<int>;
extern template class Property<unsigned int>;
extern template class Property<unsigned long>;
extern template class Property<FT>;
