#pragma once

#include "core/resources/ResourcePackage.h"
#include "ui_toolkit/StyleCache.h"

#include <string>
#include <vector>

// The style library: the styles that the resource package "WinUI_StyleResources" holds. Its
// entry "StyleLibrary.xml" names the styles and their files:
//   <style-library> <style name="CX" file="CX/CX.xml"/> ... </style-library>
// and each style file names the pictures of its elements (StyleParser.h). Every program that
// shows styled windows embeds the package (cmake/styles.cmake: add_style_package). All styles
// are read on first use and live until releaseStyles or the end of the program. GUI thread
// only.

namespace winui {

class Style;

extern const wchar_t* const kStylePackageName;      // "WinUI_StyleResources"
extern const wchar_t* const kStyleLibraryEntryName; // "StyleLibrary.xml"

// The style package, opened on the first call and kept until the program ends; an empty map
// when the program carries no such package.
const PackageMap& stylePackage();
// The entry of that name in the style package, or (null, 0). Its data is scrambled: copy it
// and unscramble the copy (unscrambledCopy).
PackageEntry findStyleResource(const std::wstring& name);

// The cache of every style of the library, read into it on first use.
StyleCache& styleCache();
// Reads the library of the package (the style package when none is given) into the cache.
// False when the package has no library entry (the cache is left as it was) or the library
// is not well-formed (the styles named before the error are kept).
bool readStyleLibrary(StyleCache& cache);
bool readStyleLibrary(StyleCache& cache, const PackageMap& package);
// Reads the style from its file into the cache under the name, unless the cache has a style
// of that name already. A style whose file is missing is entered too: it gives no element and
// holds the system colours.
void addStyle(const std::wstring& name, StyleCache& cache, const std::wstring& file);
void addStyle(const std::wstring& name, StyleCache& cache, const std::wstring& file,
              const PackageMap& package);

// The style of that name (compared exactly), or null when the library has none.
Style* getStyle(const std::wstring& name);
// The names of the library's styles in the library's order.
std::vector<std::wstring> styleNames();
// Deletes every style and the cache; pointers from getStyle are invalid afterwards. The
// programs call it at the end of their main routine; a later getStyle reads the library again.
void releaseStyles();

} // namespace winui
