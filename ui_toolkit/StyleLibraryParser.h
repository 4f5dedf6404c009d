#pragma once

#include "core/resources/ResourcePackage.h"
#include "core/xml/XmlParser.h"

#include <string>

namespace winui {

class StyleCache;

// Reads the style library: every element named "style", wherever it stands, names a style
// ("name") and the package entry of its file ("file"); each is read into the cache unless the
// cache has a style of that name already, so the first of two entries with one name counts.
class StyleLibraryParser : public XmlParser {
public:
    // The cache and the package must outlive the parser.
    StyleLibraryParser(StyleCache& cache, const PackageMap& package);

    void startElement(const std::wstring& name, const XmlAttributes& attributes,
                      bool isEmpty) override;

private:
    StyleCache& cache_;
    const PackageMap& package_;
};

} // namespace winui
