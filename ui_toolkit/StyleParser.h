#pragma once

#include "core/resources/ResourcePackage.h"
#include "core/xml/XmlParser.h"

#include <string>

namespace winui {

class Image;
class Style;

// Reads a style file into a Style. The file is untrusted data; what it may hold, each element
// recognised by its exact name wherever it stands (anything else is ignored):
//   <glyph name="Button" file="CX/buttons.png" x="0" y="0" width="16" height="16"
//          dx="4" dy="4" tx="0" ty="1" textColor="BBGGRR"/>
//   <color name="FormBody" value="RRGGBB"/>      (or AARRGGBB)
//   <dimension name="TabOverlap" value="1"/>
//   <offset name="windowCloseButtonOffset" x="-28" y="4"/>
// Numbers are decimal; a missing or malformed number reads as 0. A glyph's slice runs from
// (x, y) over width and height, a zero width or height running to the picture's edge; dx and
// dy are the borders kept unscaled. A glyph whose picture is missing or cannot be decoded
// leaves its element not given. At the closing "style", elements without a text colour take
// the colour their kind of control uses.
class StyleParser : public XmlParser {
public:
    // Pictures are looked up in the package, which must outlive the parser.
    StyleParser(Style& style, const PackageMap& package);

    void startElement(const std::wstring& name, const XmlAttributes& attributes,
                      bool isEmpty) override;
    void endElement(const std::wstring& name, bool isEmpty) override;

    // The style's picture of that entry name, decoded from the package on first use (each
    // entry once per style); null when the package lacks it or it is not a picture.
    Image* loadImage(const std::wstring& entryName);

    // Whether a closing "style" has been read.
    bool reachedStyleEnd() const { return reachedStyleEnd_; }

private:
    void readGlyph(const XmlAttributes& attributes);
    void readColor(const XmlAttributes& attributes);
    void readDimension(const XmlAttributes& attributes);
    void readOffset(const XmlAttributes& attributes);

    Style& style_;
    const PackageMap& package_;
    bool reachedStyleEnd_ = false;
};

} // namespace winui
