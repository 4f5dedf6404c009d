#include "ui_toolkit/StyleLibrary.h"

#include "core/xml/XmlMemoryStream.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/StyleLibraryParser.h"

#include <cstdint>
#include <memory>
#include <new>

namespace winui {

const wchar_t* const kStylePackageName = L"WinUI_StyleResources";
const wchar_t* const kStyleLibraryEntryName = L"StyleLibrary.xml";

namespace {

const PackageMap& emptyPackage() {
    static const PackageMap empty;
    return empty;
}

// Built on first use; the holder's destructor releases the styles at program exit, while the
// GDI objects they own can still be deleted.
struct StyleCacheHolder {
    std::unique_ptr<StyleCache> cache;
};

StyleCacheHolder& cacheHolder() {
    static StyleCacheHolder instance;
    return instance;
}

// A cache that stays empty, for when not even the cache can be made.
StyleCache& fallbackCache() {
    static StyleCache empty;
    return empty;
}

} // namespace

const PackageMap& stylePackage() {
    try {
        static const PackageMap package = [] {
            PackageMap map;
            // A missing package behaves as one without entries.
            loadResourcePackage(kStylePackageName, map);
            return map;
        }();
        return package;
    } catch (const std::bad_alloc&) {
        return emptyPackage();
    }
}

PackageEntry findStyleResource(const std::wstring& name) {
    return findPackageEntry(name, stylePackage());
}

StyleCache& styleCache() {
    StyleCacheHolder& holder = cacheHolder();
    if (!holder.cache) {
        try {
            holder.cache.reset(new StyleCache());
            readStyleLibrary(*holder.cache);
        } catch (const std::bad_alloc&) {
            if (!holder.cache) return fallbackCache();
        }
    }
    return *holder.cache;
}

bool readStyleLibrary(StyleCache& cache) { return readStyleLibrary(cache, stylePackage()); }

bool readStyleLibrary(StyleCache& cache, const PackageMap& package) {
    const PackageEntry entry = findPackageEntry(kStyleLibraryEntryName, package);
    if (!entry.data) return false;
    try {
        const std::vector<uint8_t> bytes = unscrambledCopy(entry);
        if (bytes.size() > static_cast<size_t>(INT32_MAX)) return false;
        XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
        StyleLibraryParser parser(cache, package);
        return parser.parse(stream);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void addStyle(const std::wstring& name, StyleCache& cache, const std::wstring& file) {
    addStyle(name, cache, file, stylePackage());
}

void addStyle(const std::wstring& name, StyleCache& cache, const std::wstring& file,
              const PackageMap& package) {
    if (cache.contains(name)) return;
    cache.insert(name, std::unique_ptr<Style>(new Style(file, package)));
}

Style* getStyle(const std::wstring& name) {
    try {
        return styleCache().find(name);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::vector<std::wstring> styleNames() {
    try {
        return styleCache().names();
    } catch (const std::bad_alloc&) {
        return std::vector<std::wstring>();
    }
}

void releaseStyles() { cacheHolder().cache.reset(); }

} // namespace winui
