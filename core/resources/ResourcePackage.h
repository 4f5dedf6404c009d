#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A resource package: one raw-data resource of the program holding a flat run of records
//   u32 magic 0xA84577FF, u16 n, n UTF-16LE units of name, u32 L, L bytes of data,
// each entry's data scrambled (see Scrambling.h). tools/pack_resources.py writes them and
// cmake/resources.cmake embeds them.

// An entry's data inside the loaded resource: read-only, valid for the life of the program
// image. Copy it before unscrambling it.
struct PackageEntry {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
};

// Entry name -> data. Entry names are compared exactly.
using PackageMap = std::map<std::wstring, PackageEntry>;

constexpr uint32_t kPackageRecordMagic = 0xA84577FF;

// Fills the map from the raw-data resource of that name in the program's own module (the
// resource lookup ignores case). A missing resource leaves the map empty; false then, and
// false for a package whose walk failed (the entries before the failure are kept).
bool loadResourcePackage(const std::wstring& resourceName, PackageMap& package);

// Walks the records from the first byte. False as soon as a record does not begin with the
// magic or its name or data would run past the end; the entries before it stay. When two
// records share a name, the first one stays.
bool parseResourcePackage(size_t size, const uint8_t* bytes, PackageMap& package);

// The entry's data, or (null, 0) when the package has no entry of that name.
PackageEntry findPackageEntry(const std::wstring& name, const PackageMap& package);

// A copy of the entry's data, unscrambled whole and ready for its reader.
std::vector<uint8_t> unscrambledCopy(const PackageEntry& entry);
