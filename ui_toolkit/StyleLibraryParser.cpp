#include "ui_toolkit/StyleLibraryParser.h"

#include "ui_toolkit/StyleLibrary.h"

namespace winui {

StyleLibraryParser::StyleLibraryParser(StyleCache& cache, const PackageMap& package)
    : cache_(cache), package_(package) {}

void StyleLibraryParser::startElement(const std::wstring& name, const XmlAttributes& attributes,
                                      bool isEmpty) {
    if (name == L"style")
        addStyle(attributes.get(L"name"), cache_, attributes.get(L"file"), package_);
}

} // namespace winui
