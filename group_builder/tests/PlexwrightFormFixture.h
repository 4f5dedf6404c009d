#pragma once

// A real PlexwrightForm on the screen in the "CX" style, its file dialogs answered by a
// ScriptedChooser, with helpers to fill it from a group file and to click and type into it.

#include "core/l10n/Localization.h"
#include "core/tests/TestFiles.h"
#include "group_builder/GroupFileWriter.h"
#include "group_builder/forms/GraphicButton.h"
#include "group_builder/forms/PlexwrightForm.h"
#include "group_builder/forms/PlexwrightGrid.h"
#include "group_builder/forms/TMItemForm.h"
#include "group_builder/tests/PlexwrightTestSupport.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/Toolkit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class PlexwrightFormFixture : public testing::Test {
protected:
    void SetUp() override {
        winui::programBuild = winui::ProgramBuild::Tool;
        form.reset(new PlexwrightForm());
        form->inheritStyle = false;
        form->setStyle(winui::getStyle(L"CX"));
        form->setFileChooser(chooser.function());
        ShowWindow(form->hwnd, SW_SHOWNORMAL);
        UpdateWindow(form->hwnd);
        plexwrighttest::pumpMessages();
    }

    void TearDown() override {
        // Every test leaves the dialogs closed, as a user would.
        EXPECT_TRUE(winui::modalForms.empty());
        winui::modalForms.clear();
        form.reset();
        plexwrighttest::pumpMessages();
    }

    static std::wstring text(const wchar_t* key) { return Localization::instance().getString(key); }

    // Rows named by letters: path <folder>\<letter>.tmx, short name the letter in upper case,
    // colours from the list (or 0x00C6C6C6), written to a group file and opened.
    void openRows(const std::wstring& letters, const std::vector<COLORREF>& colors = {}) {
        std::vector<GroupEntry> entries;
        for (std::size_t i = 0; i < letters.size(); ++i) {
            entries.push_back({folder.file(std::wstring(1, letters[i]) + L".tmx"),
                               std::wstring(1, static_cast<wchar_t>(towupper(letters[i]))),
                               i < colors.size() ? colors[i] : 0x00C6C6C6});
        }
        const std::wstring path = folder.file(L"rows.plexa");
        ASSERT_TRUE(writeGroupFile(path, entries));
        ASSERT_TRUE(form->openGroupFile(path));
        plexwrighttest::pumpMessages();
    }

    // The short names of the grid's rows, joined.
    std::wstring names() const {
        std::wstring joined;
        for (const GroupEntry& entry : form->grid->entries())
            joined += entry.shortName;
        return joined;
    }

    static void click(winui::Control* button) {
        SendMessageW(button->hwnd, BM_CLICK, 0, 0);
        plexwrighttest::pumpMessages();
    }

    static void mouseDown(winui::Control* control, int x, int y, UINT message = WM_LBUTTONDOWN) {
        SendMessageW(control->hwnd, message, message == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON,
                     MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
        plexwrighttest::pumpMessages();
    }

    // A press, a release and a double click in the middle of a row's path cell.
    void doubleClickRow(int row) {
        const int h = form->grid->rowHeight(0);
        const LPARAM at = MAKELPARAM(20, row * h + h / 2);
        HWND grid = form->grid->hwnd;
        SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(grid, WM_LBUTTONUP, 0, at);
        SendMessageW(grid, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageW(grid, WM_LBUTTONUP, 0, at);
        plexwrighttest::pumpMessages();
    }

    void clickRow(int row) {
        const int h = form->grid->rowHeight(0);
        const LPARAM at = MAKELPARAM(20, row * h + h / 2);
        SendMessageW(form->grid->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(form->grid->hwnd, WM_LBUTTONUP, 0, at);
        plexwrighttest::pumpMessages();
    }

    static void typeText(winui::Control* control, const std::wstring& typed) {
        for (wchar_t c : typed)
            SendMessageW(control->hwnd, WM_CHAR, c, 1);
        plexwrighttest::pumpMessages();
    }

    static void pressKey(winui::Control* focused, int key) {
        SendMessageW(focused->hwnd, WM_KEYDOWN, key, 1);
        SendMessageW(focused->hwnd, WM_KEYUP, key, 0xC0000001);
        plexwrighttest::pumpMessages();
    }

    bool dialogShown() const { return IsWindowVisible(form->itemForm->hwnd) != FALSE; }

    testfiles::TempDir folder{L"plexwright"};
    plexwrighttest::ScriptedChooser chooser;
    std::unique_ptr<PlexwrightForm> form;
};
