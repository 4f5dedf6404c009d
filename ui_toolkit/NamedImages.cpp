#include "ui_toolkit/NamedImages.h"

#include <map>
#include <new>
#include <utility>

namespace winui {

const wchar_t* const kBitmapPackageName = L"WinUI_BitmapResources";

namespace {

struct NamedImageCache {
    PackageMap package;
    std::map<std::wstring, std::unique_ptr<Image>> images;
};

// Built on the first lookup; the holder's destructor releases it at program exit.
struct NamedImageCacheHolder {
    std::unique_ptr<NamedImageCache> cache;
};

NamedImageCacheHolder& holder() {
    static NamedImageCacheHolder instance;
    return instance;
}

// An image that stands for every failure, for when even an empty image cannot be made.
Image& fallbackImage() {
    static Image empty;
    return empty;
}

} // namespace

std::unique_ptr<Image> loadNamedImage(const PackageMap& package, const std::wstring& name) {
    std::unique_ptr<Image> image(new Image());
    const PackageEntry entry = findPackageEntry(name, package);
    if (entry.data && entry.length > 0) {
        const std::vector<uint8_t> bytes = unscrambledCopy(entry);
        image->decodePng(bytes.data(), bytes.size());
    }
    return image;
}

Image* getImage(const std::wstring& name) {
    try {
        NamedImageCacheHolder& h = holder();
        if (!h.cache) {
            h.cache.reset(new NamedImageCache());
            // A missing package behaves as one without entries.
            loadResourcePackage(kBitmapPackageName, h.cache->package);
        }
        auto found = h.cache->images.find(name);
        if (found != h.cache->images.end()) return found->second.get();
        std::unique_ptr<Image> image = loadNamedImage(h.cache->package, name);
        Image* result = image.get();
        h.cache->images.emplace(name, std::move(image));
        return result;
    } catch (const std::bad_alloc&) {
        return &fallbackImage();
    }
}

void releaseNamedImages() { holder().cache.reset(); }

} // namespace winui
