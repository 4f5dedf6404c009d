#include "core/values/Font.h"

#include <cstring>
#include <cwchar>
#include <utility>

namespace winui {

int32_t screenDpiY = 0;

namespace {

constexpr size_t kMaxFaceUnits = 31; // LF_FACESIZE less the terminator

// Heights are truncated, not rounded: creation and description must stay the exact inverse
// pair that stored settings were written with (10 pt -> -13 -> 9.75 pt at 96 DPI).
LONG heightFromPoints(float points) {
    const long double height = static_cast<long double>(points) * fontResolution() / -72.0L;
    return static_cast<LONG>(height);
}

} // namespace

int32_t fontResolution() {
    if (screenDpiY <= 0) {
        int32_t dpi = 0;
        if (HDC screen = GetDC(nullptr)) {
            dpi = GetDeviceCaps(screen, LOGPIXELSY);
            ReleaseDC(nullptr, screen);
        }
        screenDpiY = dpi > 0 ? dpi : 96;
    }
    return screenDpiY;
}

float pointSizeFromHeight(const LOGFONTW& logFont) {
    const double h = logFont.lfHeight;
    const double resolution = fontResolution();
    if (logFont.lfHeight < 0) {
        return static_cast<float>(-h * 72.0 / resolution);
    }
    const float base = static_cast<float>(h * 72.0 / resolution);
    return static_cast<float>(base * 3.0 * 0.5);
}

void applyFontChanges(uint16_t changes, LOGFONTW& logFont) {
    const float points = pointSizeFromHeight(logFont);
    const LONG h = logFont.lfHeight;
    const LONG pixels = h > 0 ? (h * 3) / 2 : -h;

    static const struct {
        uint16_t bit;
        float pointStep;
    } pointSteps[] = {
        {FontOnePointSmaller, -1.0f},
        {FontTwoPointsSmaller, -2.0f},
        {FontOnePointLarger, 1.0f},
        {FontTwoPointsLarger, 2.0f},
    };
    for (const auto& step : pointSteps) {
        if (changes & step.bit) {
            logFont.lfHeight = heightFromPoints(static_cast<float>(points + step.pointStep));
        }
    }

    static const struct {
        uint16_t bit;
        LONG offset;
    } pixelSteps[] = {
        {FontOnePixelSmaller, 1},   {FontTwoPixelsSmaller, 2}, {FontThreePixelsSmaller, 3},
        {FontOnePixelLarger, -1},   {FontTwoPixelsLarger, -2}, {FontThreePixelsLarger, -3},
    };
    for (const auto& step : pixelSteps) {
        if (changes & step.bit) {
            logFont.lfHeight = step.offset - pixels;
        }
    }

    if (changes & FontMakePlain) {
        logFont.lfWeight = FW_NORMAL;
        logFont.lfItalic = 0;
        logFont.lfUnderline = 0;
        logFont.lfStrikeOut = 0;
    }
    if (changes & FontMakeBold) logFont.lfWeight = FW_BOLD;
    if (changes & FontMakeItalic) logFont.lfItalic = 1;
    if (changes & FontMakeUnderline) logFont.lfUnderline = 1;
    if (changes & FontMakeStrikeOut) logFont.lfStrikeOut = 1;
}

Font::Font(const std::wstring& face, float size, uint16_t style) {
    if (face.empty() || size == 0.0f) return;
    LOGFONTW logFont;
    std::memset(&logFont, 0, sizeof logFont);
    logFont.lfHeight = heightFromPoints(size);
    logFont.lfWeight = (style & FontBold) ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = (style & FontItalic) ? 1 : 0;
    logFont.lfUnderline = (style & FontUnderline) ? 1 : 0;
    logFont.lfStrikeOut = (style & FontStrikeOut) ? 1 : 0;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfQuality = ANTIALIASED_QUALITY;
    const size_t units = face.size() < kMaxFaceUnits ? face.size() : kMaxFaceUnits;
    std::wmemcpy(logFont.lfFaceName, face.data(), units);
    handle_ = CreateFontIndirectW(&logFont);
}

Font::Font(const Font& other) { assign(other); }

Font::Font(Font&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Font& Font::operator=(const Font& other) {
    assign(other);
    return *this;
}

Font& Font::operator=(Font&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
}

Font::~Font() { reset(nullptr); }

void Font::reset(HFONT handle) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
}

bool Font::getLogFont(LOGFONTW& logFont) const {
    std::memset(&logFont, 0, sizeof logFont);
    if (!handle_) return false;
    if (GetObjectW(handle_, sizeof logFont, &logFont) != static_cast<int>(sizeof logFont)) {
        std::memset(&logFont, 0, sizeof logFont);
        return false;
    }
    return true;
}

Font Font::fromLogFont(const LOGFONTW& logFont) {
    Font font;
    font.handle_ = CreateFontIndirectW(&logFont);
    return font;
}

void Font::assign(const Font& source) {
    LOGFONTW logFont;
    HFONT created = source.getLogFont(logFont) ? CreateFontIndirectW(&logFont) : nullptr;
    reset(created);
}

void Font::assignStyled(uint16_t changes, const Font& source) {
    LOGFONTW logFont;
    HFONT created = nullptr;
    if (source.getLogFont(logFont)) {
        applyFontChanges(changes, logFont);
        created = CreateFontIndirectW(&logFont);
    }
    reset(created);
}

void Font::describe(std::wstring& face, float& size, uint16_t& style) const {
    LOGFONTW logFont;
    if (!getLogFont(logFont)) {
        face.clear();
        size = 0.0f;
        style = 0;
        return;
    }
    face.assign(logFont.lfFaceName, wcsnlen(logFont.lfFaceName, LF_FACESIZE));
    size = pointSizeFromHeight(logFont);
    style = 0;
    if (logFont.lfWeight >= FW_BOLD) style |= FontBold;
    if (logFont.lfItalic) style |= FontItalic;
    if (logFont.lfUnderline) style |= FontUnderline;
    if (logFont.lfStrikeOut) style |= FontStrikeOut;
}

} // namespace winui
