#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace winui {

// The screen's vertical resolution (LOGPIXELSY) that every conversion between points and
// pixels uses. The toolkit's start-up stores it; while it is still 0 (or negative) the
// conversions read it from the screen once and store it here. Tests set it directly.
extern int32_t screenDpiY;

// Style bits of a font description; other bits are ignored.
enum FontStyle : uint16_t {
    FontBold = 0x0001,
    FontItalic = 0x0002,
    FontUnderline = 0x0004,
    FontStrikeOut = 0x0008,
};

// Change bits for applyFontChanges / Font::assignStyled, tested in this order.
enum FontChange : uint16_t {
    FontOnePointSmaller = 0x0001,
    FontTwoPointsSmaller = 0x0002,
    FontOnePointLarger = 0x0004,
    FontTwoPointsLarger = 0x0008,
    FontOnePixelSmaller = 0x0010,
    FontTwoPixelsSmaller = 0x0020,
    FontThreePixelsSmaller = 0x0040,
    FontOnePixelLarger = 0x0080,
    FontTwoPixelsLarger = 0x0100,
    FontThreePixelsLarger = 0x0200,
    FontMakePlain = 0x0400,
    FontMakeBold = 0x0800,
    FontMakeItalic = 0x1000,
    FontMakeUnderline = 0x2000,
    FontMakeStrikeOut = 0x4000,
};

// The resolution the conversions use: screenDpiY, read from the screen first when unset.
int32_t fontResolution();

// The size in points that a LOGFONTW height stands for at the current resolution.
float pointSizeFromHeight(const LOGFONTW& logFont);

// Applies the change bits to a LOGFONTW in place. Size bits always start from the incoming
// height; when several size bits are given, the last one in table order wins.
void applyFontChanges(uint16_t changes, LOGFONTW& logFont);

// A value that owns one GDI font (or none). Copies are deep: they never share a handle.
class Font {
public:
    Font() = default;
    // No font when the face is empty or the size is exactly 0. At most 31 units of the face
    // reach the font.
    Font(const std::wstring& face, float size, uint16_t style);
    Font(const Font& other);
    Font(Font&& other) noexcept;
    Font& operator=(const Font& other);
    Font& operator=(Font&& other) noexcept;
    ~Font();

    // Takes a font made anew from the source's LOGFONTW; a null source gives a null font.
    // The new handle exists before the old one is deleted, so self-assignment is safe.
    void assign(const Font& source);
    // Takes a variant of the source made with applyFontChanges; a null source gives null.
    void assignStyled(uint16_t changes, const Font& source);
    // A null font describes itself as an empty face, 0.0 and 0.
    void describe(std::wstring& face, float& size, uint16_t& style) const;

    // A font made from a LOGFONTW as it stands (null when the platform refuses it).
    static Font fromLogFont(const LOGFONTW& logFont);
    // Fills the LOGFONTW of the font; false (and a cleared record) for a null font.
    bool getLogFont(LOGFONTW& logFont) const;

    HFONT handle() const { return handle_; }
    bool isNull() const { return handle_ == nullptr; }

private:
    void reset(HFONT handle);

    HFONT handle_ = nullptr;
};

} // namespace winui
