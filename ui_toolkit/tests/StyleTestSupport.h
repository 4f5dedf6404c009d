#pragma once

// Packages for the style tests: the fixture package that the test program carries
// (tests/data/resources/StyleTestResources) and packages put together in memory on top of it.

#include "core/resources/ResourcePackage.h"
#include "core/resources/Scrambling.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace style_test {

// sheet.png (64 x 32), arrow.png (8 x 4, with alpha), broken.png (not a picture), cx.xml,
// other.xml and a StyleLibrary.xml naming "CX", "Nested" and "Lost".
inline const PackageMap& fixturePackage() {
    static const PackageMap package = [] {
        PackageMap map;
        loadResourcePackage(L"StyleTestResources", map);
        return map;
    }();
    return package;
}

// The fixture package with entries added from memory; they are stored scrambled, as the
// packer stores them, and hide fixture entries of the same name.
class MemoryPackage {
public:
    MemoryPackage() : map_(fixturePackage()) {}
    MemoryPackage(const MemoryPackage&) = delete;
    MemoryPackage& operator=(const MemoryPackage&) = delete;

    MemoryPackage& add(const std::wstring& name, const std::string& bytes) {
        storage_.emplace_back(bytes.begin(), bytes.end());
        std::vector<uint8_t>& data = storage_.back();
        scrambleBytes(data.data(), data.size());
        static const uint8_t none = 0;
        map_[name] = PackageEntry{data.empty() ? &none : data.data(), static_cast<uint32_t>(data.size())};
        return *this;
    }
    const PackageMap& map() const { return map_; }

private:
    std::list<std::vector<uint8_t>> storage_;
    PackageMap map_;
};

} // namespace style_test
