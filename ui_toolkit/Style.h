#pragma once

#include "core/resources/ResourcePackage.h"
#include "ui_toolkit/Brush.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/StyleElement.h"
#include "ui_toolkit/StyleTables.h"
#include "core/values/Rect.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace winui {

// A skin for the controls: for each element of StyleTables.h an image slice with its
// nine-slice centre, text offset and text colour; thirteen colours with brushes of "FormBody"
// and "Window"; frame dimensions and caption button offsets. Read from one style file of a
// resource package (see StyleParser for the file); controls share a style and never own it.
// An element without an image is not given by the style: controls then draw natively.
// Neither copyable nor movable: elements point into the style's own images.
class Style {
public:
    // Reads the style file of that name from the style package ("WinUI_StyleResources").
    explicit Style(const std::wstring& file);
    // Reads it from the given package, which must outlive the constructor only.
    Style(const std::wstring& file, const PackageMap& package);
    ~Style();
    Style(const Style&) = delete;
    Style& operator=(const Style&) = delete;

    // Reads the style file (the entry of that name, unscrambled, as UTF-8 XML): the colours
    // start again from the system defaults, then the file's elements apply. False when the
    // package lacks the entry (nothing changes then) or the file is not well-formed (what was
    // read before the error stays). Either way the brushes follow the colours, and no element
    // keeps an unset text colour once a file was read.
    bool load(const std::wstring& file);
    bool load(const std::wstring& file, const PackageMap& package);

    // The element at an index of StyleElementIndex; an element that is not given for an index
    // outside the table.
    const StyleElement& element(int32_t index) const;
    // Whether the style gives the element (it has an image).
    bool hasElement(int32_t index) const { return element(index).image != nullptr; }
    // The colour at an index of StyleColorIndex (0x00BBGGRR); black outside the table.
    COLORREF color(int32_t index) const;
    const StyleColors& colors() const { return colors_; }
    // Solid brushes of "FormBody" and "Window", owned by the style.
    const Brush& formBodyBrush() const { return formBodyBrush_; }
    const Brush& windowBrush() const { return windowBrush_; }
    // The dimension at an index of StyleDimensionIndex, the offset at one of StyleOffsetIndex;
    // 0 and (0, 0) outside the tables.
    int32_t dimension(int32_t index) const;
    Point offset(int32_t index) const;
    // How many picture entries the style has decoded (each once, however many elements use it).
    size_t imageCount() const { return images_.size(); }

private:
    friend class StyleParser;

    // Gives every element whose text colour is still unset the colour its kind of control
    // uses: "ButtonText", "GrayText", "CaptionText", "InactiveCaptionText" or "WindowText".
    void fillMissingTextColors();
    void createBrushes();

    std::array<StyleElement, kStyleElementCount> elements_;
    StyleColors colors_;
    Brush formBodyBrush_;
    Brush windowBrush_;
    // Released before the brushes (members go in reverse order).
    std::map<std::wstring, std::unique_ptr<Image>> images_;
    std::array<int32_t, kStyleDimensionCount> dimensions_{};
    std::array<Point, kStyleOffsetCount> offsets_{};
};

} // namespace winui
