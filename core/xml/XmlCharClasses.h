#pragma once

#include <array>
#include <cstdint>
#include <string>

// Character classes of the units that the XML parser's machine treats specially. Only ASCII
// units have classes; a table lookup replaces chains of comparisons in the inner loops.
namespace xml_char_class {

enum : uint16_t {
    kBlank = 1 << 0,
    kLess = 1 << 1,
    kGreater = 1 << 2,
    kSlash = 1 << 3,
    kEquals = 1 << 4,
    kQuestion = 1 << 5,
    kAmpersand = 1 << 6,
    kNul = 1 << 7,
    kDoubleQuote = 1 << 8,
    kApostrophe = 1 << 9,
    kNameStart = 1 << 10,
    kReferenceName = 1 << 11,
};

constexpr std::array<uint16_t, 128> makeClasses() {
    std::array<uint16_t, 128> table{};
    table[' '] = table['\t'] = table['\n'] = table['\r'] = kBlank;
    table['<'] = kLess;
    table['>'] = kGreater;
    table['/'] = kSlash;
    table['='] = kEquals;
    table['?'] = kQuestion;
    table['&'] = kAmpersand;
    table[0] = kNul;
    table['"'] = kDoubleQuote;
    table['\''] = kApostrophe;
    for (int c = 'a'; c <= 'z'; ++c) {
        table[c] = kNameStart | kReferenceName;
        table[c - 'a' + 'A'] = kNameStart | kReferenceName;
    }
    for (int c = '0'; c <= '9'; ++c) {
        table[c] = kReferenceName;
    }
    table['_'] = table[':'] = kNameStart;
    table['#'] = table['.'] = kReferenceName;
    return table;
}
inline constexpr std::array<uint16_t, 128> kClasses = makeClasses();

// Units beyond ASCII share the classes of DEL (none), which keeps the lookup free of branches.
static_assert(kClasses[127] == 0, "DEL has no class");
inline uint16_t classOf(wchar_t unit) {
    return kClasses[unit < 128 ? unit : 127];
}

// True when the units of the given classes are exactly the listed ones. A scan that compares
// units where a class lookup would cost more states with this that it stops at the same units.
template <size_t N>
constexpr bool unitsOfClasses(uint16_t classes, const wchar_t (&units)[N]) {
    for (int c = 0; c < 128; ++c) {
        bool listed = false;
        for (size_t k = 0; k < N; ++k) {
            listed = listed || units[k] == c;
        }
        if (((kClasses[c] & classes) != 0) != listed) {
            return false;
        }
    }
    return true;
}

inline bool isBlank(wchar_t unit) {
    return (classOf(unit) & kBlank) != 0;
}

// Makes destination hold the given units. Short runs are copied unit by unit, in the string's
// inline code; a copy through the runtime's memcpy costs more for them than the copy itself.
// Leaves a string that already holds the units alone: names recur from tag to tag.
inline void assignUnits(std::wstring& destination, const wchar_t* units, size_t length) {
    constexpr size_t kShortRun = 24;
    if (length > kShortRun || destination.capacity() < length) {
        destination.assign(units, length);
        return;
    }
    if (destination.size() == length) {
        size_t same = 0;
        while (same < length && destination[same] == units[same]) {
            ++same;
        }
        if (same == length) {
            return;
        }
    }
    destination.clear();
    for (size_t i = 0; i < length; ++i) {
        destination.push_back(units[i]);
    }
}

inline wchar_t lowerAscii(wchar_t unit) {
    return unit >= L'A' && unit <= L'Z' ? static_cast<wchar_t>(unit + 32) : unit;
}

} // namespace xml_char_class
