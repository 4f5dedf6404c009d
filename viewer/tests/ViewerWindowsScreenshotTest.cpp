#include "viewer/TmxEntryDetailsForm.h"
#include "viewer/TmxViewerSettingsForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/tests/TestFiles.h"
#include "ui_toolkit/CheckBox.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/Tab.h"
#include "ui_toolkit/TabControl.h"
#include "ui_toolkit/WindowCapture.h"
#include "ui_toolkit/tests/ControlProbe.h"
#include "ui_toolkit/tests/WindowPixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

// Writes the window as a PNG into the folder the tests run in (the build folder), for people
// to look at, checks that the file reads back at the window's size and hands back what it holds.
winui::Image screenshot(HWND window, const std::wstring& name) {
    pumpMessages();
    winui::Image decoded;
    EXPECT_TRUE(winui::writeWindowPng(window, name)) << testing::PrintToString(name);
    const std::string bytes = testfiles::readText(name);
    decoded.decodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_EQ(decoded.width(), client.right) << testing::PrintToString(name);
    EXPECT_EQ(decoded.height(), client.bottom) << testing::PrintToString(name);
    return decoded;
}

// A control whose text the picture must show, and where its window's layout puts it: a
// rectangle in the client coordinates of the control's parent.
struct Shown {
    const char* what;
    const winui::Control* control;
    winui::Rect place;
    // How much the control draws before its text: nothing for a label; a check box draws its box.
    int32_t lead;
};

winui::Rect place(int32_t left, int32_t top, int32_t width, int32_t height) {
    return winui::Rect(left, top, left + width, top + height);
}

// The pixels of a region that differ from its background (the colour most of it has: text and
// a check box's box take far less than half of a control's place), and the box around them.
struct Ink {
    COLORREF background = CLR_INVALID;
    int32_t pixels = 0;
    winui::Rect box;
};

COLORREF commonestColor(const winui::Image& image, const winui::Rect& region) {
    std::map<COLORREF, int32_t> counts;
    for (int32_t y = region.top; y < region.bottom; ++y) {
        for (int32_t x = region.left; x < region.right; ++x)
            ++counts[window_pixels::pixel(image, x, y)];
    }
    const auto most = std::max_element(counts.begin(), counts.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == counts.end() ? CLR_INVALID : most->first;
}

Ink inkIn(const winui::Image& image, const winui::Rect& region) {
    Ink ink;
    const COLORREF background = commonestColor(image, region);
    ink.background = background;
    ink.box = winui::Rect(region.right, region.bottom, region.left, region.top);
    for (int32_t y = region.top; y < region.bottom; ++y) {
        for (int32_t x = region.left; x < region.right; ++x) {
            if (window_pixels::pixel(image, x, y) == background)
                continue;
            ++ink.pixels;
            ink.box = winui::Rect(std::min(ink.box.left, x), std::min(ink.box.top, y),
                                  std::max(ink.box.right, x + 1), std::max(ink.box.bottom, y + 1));
        }
    }
    return ink;
}

std::string describe(const winui::Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " to " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// How wide the control's text is in the control's font.
int32_t textWidth(const winui::Control& control) {
    const std::wstring text = control.text();
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, control.font.handle());
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// A blank, unpainted or misplaced window leaves the place empty, or shows other text there.
void expectShown(const winui::Image& image, HWND window, const Shown& shown) {
    SCOPED_TRACE(shown.what);
    POINT origin = {0, 0};
    MapWindowPoints(shown.control->parent->hwnd, window, &origin, 1);
    const winui::Rect region = window_pixels::offset(shown.place, origin.x, origin.y);
    ASSERT_TRUE(region.left >= 0 && region.top >= 0 && region.right <= image.width() &&
                region.bottom <= image.height());
    const Ink ink = inkIn(image, region);
    SCOPED_TRACE("place " + describe(region) + ", ink " + describe(ink.box) + " on " +
                 window_pixels::hex(ink.background));
    ASSERT_GE(ink.pixels, 10) << "nothing shows where the layout puts it";
    // Left-aligned text starts at the place's left edge (a glyph's bearing is a pixel or two).
    EXPECT_LE(ink.box.left - region.left, 3);
    EXPECT_GE(ink.box.height(), 6);
    // As wide as the control's own text: another text in its place (another page's, say) fails.
    ASSERT_EQ(shown.control->text().find(L'&'), std::wstring::npos);
    const int32_t width = textWidth(*shown.control);
    EXPECT_GE(ink.box.width(), width - 3);
    EXPECT_LE(ink.box.width(), width + shown.lead + 3);
}

// A check box's box and the gap after it, with room to spare.
constexpr int32_t kCheckBoxLead = 24;

// The page's child whose text is the given one; null when none is.
const winui::Control* labelWithText(const winui::Control* page, const std::wstring& text) {
    for (const winui::Control* child : page->children) {
        if (child->text() == text)
            return child;
    }
    return nullptr;
}

TEST(ViewerWindowsScreenshotTest, TheDetailsWindowAndEachSettingsTab) {
    Localization::instance().setLanguage(L"English");
    winui::Form owner(nullptr, 300, 200, 0);
    owner.setStyle(winui::getStyle(L"CX"));

    TmxEntryDetailsForm details(&owner);
    TmxEntry entry;
    entry.sourceLanguage = L"en-GB";
    entry.tuid = L"tu-0042";
    entry.creationId = L"ANNA";
    entry.creationDate.set(2014, 3, 21, 14, 5, 0);
    Segment segment;
    segment.emplace_back(SegmentElementKind::Word, L"Open", L"open");
    segment.emplace_back(SegmentElementKind::Space, L" ");
    segment.emplace_back(SegmentElementKind::OpeningTag, L"b", L"");
    segment.emplace_back(SegmentElementKind::Word, L"file", L"file");
    segment.emplace_back(SegmentElementKind::ClosingTag, L"b");
    for (const wchar_t* code : {L"en-GB", L"de-DE", L"fr-FR"})
        segmentForLanguage(entry, code).segment = segment;
    details.showEntry(entry, 123456);
    ShowWindow(details.hwnd, SW_SHOWNORMAL);
    const winui::Image detailsShot = screenshot(details.hwnd, L"viewer_entry_details.png");
    using Caption = TmxEntryDetailsForm::Caption;
    const Shown detailsTexts[] = {
        {"tu id caption", details.captions[Caption::CaptionTuid], place(8, 16, 65, 18), 0},
        {"source caption", details.captions[Caption::CaptionSource], place(8, 48, 297, 18), 0},
        {"creation date caption", details.captions[Caption::CaptionCreationDate], place(8, 320, 150, 18), 0},
        {"creation id", details.creationIdValue, place(464, 320, 158, 18), 0},
    };
    for (const Shown& shown : detailsTexts)
        expectShown(detailsShot, details.hwnd, shown);
    ShowWindow(details.hwnd, SW_HIDE);

    Settings settings;
    TmxViewerSettingsForm form(&owner, settings);
    form.showModal();
    // One text of each page, where the page's layout puts it: a page that is not shown, or
    // another page's text in the same place, fails.
    const Shown pageTexts[TmxViewerSettingsForm::kPageCount] = {
        {"font label", labelWithText(form.pages[0], L"Font:"), place(16, 16, 161, 18), 0},
        {"matched style label", labelWithText(form.pages[1], L"Matched text style:"), place(16, 20, 256, 18), 0},
        {"placeholders check box", form.options[TmxViewerSettingsForm::OptionShowPlaceholders],
         place(16, 18, 457, 18), kCheckBoxLead},
        {"language label", labelWithText(form.pages[3], L"Language:"), place(16, 23, 153, 18), 0},
    };
    for (int i = 0; i < TmxViewerSettingsForm::kPageCount; ++i) {
        form.tabControl->selectTab(form.pages[i]);
        const std::wstring name = L"viewer_settings_" + std::to_wstring(i + 1) + L".png";
        const winui::Image shot = screenshot(form.hwnd, name);
        ASSERT_NE(pageTexts[i].control, nullptr) << pageTexts[i].what;
        expectShown(shot, form.hwnd, pageTexts[i]);
    }
    form.cancel();
    pumpMessages();
}

} // namespace
