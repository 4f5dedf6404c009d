#pragma once

#include "core/xml/XmlCharClasses.h"

#include <cstddef>
#include <cstdint>

// The reader's longest scans, sixteen bytes at a time on processors with 128-bit vector
// instructions (every x86 processor of the last twenty years; the others take the plain loops).
namespace xml_vector_scans {

// Copies the plain ASCII bytes at p (up to the first byte that is non-ASCII or NUL, and at most
// `bytes`) to d as units; returns how many. May write up to 16 units beyond those: d must have
// room for bytes + 16 units. Copies nothing (returns 0) where vectors are not at hand.
size_t copyPlainAscii(const uint8_t* p, size_t bytes, wchar_t* d);

// The classes of the units that findTextStop looks for.
constexpr uint16_t kTextStops =
    xml_char_class::kLess | xml_char_class::kGreater | xml_char_class::kAmpersand | xml_char_class::kNul;

// The first unit in [p, end) that is '<', '>', '&' or 0; end when there is none.
const wchar_t* findTextStop(const wchar_t* p, const wchar_t* end);

} // namespace xml_vector_scans
