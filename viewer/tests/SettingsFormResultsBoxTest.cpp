#include "viewer/TmxViewerResultsBox.h"
#include "viewer/TmxViewerSettingsForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/ColorRect.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

COLORREF shownAt(HWND window, int x, int y) {
    UpdateWindow(window);
    const HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

TEST(SettingsFormResultsBoxTest, AfterOkTheResultsBoxShowsTheNewColours) {
    Localization::instance().setLanguage(L"English");
    Settings& settings = Settings::global();
    settings.clear();
    {
        winui::Form main(nullptr, 400, 300, 0);
        TmxViewerResultsBox box(&main);
        MoveWindow(box.hwnd, 0, 0, 400, 300, FALSE);
        ShowWindow(main.hwnd, SW_SHOWNORMAL);
        SetWindowPos(main.hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        pumpMessages();
        const COLORREF before = shownAt(box.hwnd, 200, 150);

        TmxViewerSettingsForm form(&main, settings);
        const COLORREF picked = before == RGB(0x33, 0x66, 0xCC) ? RGB(0x66, 0x33, 0x99) : RGB(0x33, 0x66, 0xCC);
        form.seams.chooseColor = [picked](CHOOSECOLORW& block) {
            block.rgbResult = picked;
            return true;
        };
        form.showModal();
        pumpMessages();
        form.swatches[TmxViewerSettingsForm::SwatchBackground1]->onMouseDown(2, 2, 0);
        SendMessageW(form.okButton->hwnd, BM_CLICK, 0, 0);
        pumpMessages();
        SetWindowPos(main.hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        pumpMessages();
        EXPECT_EQ(shownAt(box.hwnd, 200, 150), picked);
        EXPECT_EQ(shownAt(box.hwnd, 10, 10), picked);
    }
    settings.clear();
}

} // namespace
