#include "core/resources/ResourcePackage.h"

#include "core/resources/Scrambling.h"
#include "core/settings/ByteReader.h"

#include <windows.h>

bool loadResourcePackage(const std::wstring& resourceName, PackageMap& package) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, resourceName.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    if (!loaded) return false;
    const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, resource);
    if (!bytes && size != 0) return false;
    return parseResourcePackage(size, bytes, package);
}

bool parseResourcePackage(size_t size, const uint8_t* bytes, PackageMap& package) {
    if (size == 0) return true;
    if (!bytes) return false;
    ByteReader in(bytes, size);
    while (!in.atEnd()) {
        if (in.readU32() != kPackageRecordMagic || in.failed()) return false;
        std::wstring name;
        if (!readString(in, name)) return false;
        const uint32_t length = in.readU32();
        const uint8_t* data = in.readBytes(length);
        if (in.failed()) return false;
        package.emplace(std::move(name), PackageEntry{data, length});
    }
    return true;
}

PackageEntry findPackageEntry(const std::wstring& name, const PackageMap& package) {
    auto it = package.find(name);
    return it == package.end() ? PackageEntry{} : it->second;
}

std::vector<uint8_t> unscrambledCopy(const PackageEntry& entry) {
    std::vector<uint8_t> bytes;
    if (!entry.data) return bytes;
    bytes.assign(entry.data, entry.data + entry.length);
    unscrambleBytes(bytes.data(), bytes.size());
    return bytes;
}
