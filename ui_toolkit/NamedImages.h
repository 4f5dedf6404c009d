#pragma once

#include "core/resources/ResourcePackage.h"
#include "ui_toolkit/Image.h"

#include <memory>
#include <string>

namespace winui {

// The resource package that holds the named images (PNG entries, scrambled).
extern const wchar_t* const kBitmapPackageName; // "WinUI_BitmapResources"

// The named image of the bitmap package, never null: the same image for every call with
// that name (compared exactly, case-sensitive), an empty one when the package has no such
// entry or it cannot be decoded. The package is opened on the first call; each name is
// looked up in it at most once. The cache owns the images until releaseNamedImages or the
// end of the program. GUI thread only.
Image* getImage(const std::wstring& name);

// A new image decoded from the package entry of that name (unscrambled copy); an empty
// image for a missing or empty entry or one that is not a PNG. Never null.
std::unique_ptr<Image> loadNamedImage(const PackageMap& package, const std::wstring& name);

// Releases every cached image and the package; pointers from getImage are invalid after.
// Runs by itself at program exit; a later getImage starts a new cache.
void releaseNamedImages();

} // namespace winui
