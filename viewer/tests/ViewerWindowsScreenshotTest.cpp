#include "viewer/TmxEntryDetailsForm.h"
#include "viewer/TmxViewerSettingsForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "core/tests/TestFiles.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/Tab.h"
#include "ui_toolkit/TabControl.h"
#include "ui_toolkit/WindowCapture.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Writes the window as a PNG into the folder the tests run in (the build folder), for people
// to look at, and checks that the file reads back at the window's size.
void screenshot(HWND window, const std::wstring& name) {
    pumpMessages();
    ASSERT_TRUE(winui::writeWindowPng(window, name)) << testing::PrintToString(name);
    const std::string bytes = testfiles::readText(name);
    winui::Image decoded(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_EQ(decoded.width(), client.right) << testing::PrintToString(name);
    EXPECT_EQ(decoded.height(), client.bottom) << testing::PrintToString(name);
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
    screenshot(details.hwnd, L"viewer_entry_details.png");
    ShowWindow(details.hwnd, SW_HIDE);

    Settings settings;
    TmxViewerSettingsForm form(&owner, settings);
    form.showModal();
    for (int i = 0; i < TmxViewerSettingsForm::kPageCount; ++i) {
        form.tabControl->selectTab(form.pages[i]);
        screenshot(form.hwnd, L"viewer_settings_" + std::to_wstring(i + 1) + L".png");
    }
    form.cancel();
    pumpMessages();
}

} // namespace
