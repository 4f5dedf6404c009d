// The fonts the windows need from the system they run on: the frame's caption buttons are glyphs
// of the Marlett font, and Japanese or Chinese text needs a font with those characters. Without
// them the buttons show as letters and the text as boxes.

#include "ui_toolkit/Form.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/Toolkit.h"
#include "ui_toolkit/tests/RealInput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int CALLBACK noteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool familyInstalled(const wchar_t* name) {
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, name, LF_FACESIZE);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &wanted, noteFamily, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

// The character drawn in the font, as black and white pixels.
std::vector<uint32_t> drawn(HFONT font, wchar_t character) {
    constexpr int kSize = 40;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = -kSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<uint32_t> pixels;
    if (bitmap && bits) {
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        HGDIOBJ oldFont = SelectObject(dc, font);
        RECT all = {0, 0, kSize, kSize};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(dc, TRANSPARENT);
        TextOutW(dc, 4, 4, &character, 1);
        GdiFlush();
        const auto* data = static_cast<const uint32_t*>(bits);
        pixels.assign(data, data + kSize * kSize);
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

TEST(SystemFontsTest, FrameButtonsHaveTheirFontAndCjkTextItsGlyphs) {
    EXPECT_TRUE(familyInstalled(L"Marlett"));

    // Missing characters all come out as the same box (or as nothing): distinct glyphs for
    // distinct characters mean the font, or the font it falls back to, holds them.
    winui::Form window(nullptr, 360, 60, winui::FormCentered);
    ASSERT_FALSE(winui::defaultFont.isNull());
    const HFONT font = winui::defaultFont.handle();
    const std::vector<uint32_t> blank = drawn(font, L' ');
    for (const wchar_t* pair : {L"\u65E5\u672C", L"\u3042\u30AB", L"\u4E2D\u6587"}) {
        const std::vector<uint32_t> first = drawn(font, pair[0]);
        const std::vector<uint32_t> second = drawn(font, pair[1]);
        EXPECT_NE(first, blank) << static_cast<int>(pair[0]);
        EXPECT_NE(first, second) << static_cast<int>(pair[0]) << " " << static_cast<int>(pair[1]);
    }

    // As a user sees it: a window with a maximise box and a line of Japanese and Chinese.
    auto* label = new winui::Label(&window);
    MoveWindow(label->hwnd, 10, 20, 340, 24, FALSE);
    label->setText(L"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8 / \u4E2D\u6587\u6587\u672C");
    ShowWindow(window.hwnd, SW_SHOWNORMAL);
    realinput::pumpFor(200);
    // The frame with its buttons lies outside the client area: the screen holds it.
    EXPECT_TRUE(realinput::screenshotWithFrame(window.hwnd, L"system_fonts_window.png", 4));
}

} // namespace
