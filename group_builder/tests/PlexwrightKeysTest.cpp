// The entry dialog worked as a user works it: real clicks, real key presses, the platform's
// open dialog for Browse. A key pressed in the open dialog or the palette acts there only; its
// release over the entry dialog answers nothing.

#include "group_builder/tests/PlexwrightFormFixture.h"

#include "group_builder/forms/FileChooser.h"
#include "group_builder/forms/PickTMColorForm.h"
#include "ui_toolkit/ColorRect.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/tests/RealInput.h"

namespace {

using realinput::clickCentre;
using realinput::findOwnedDialog;
using realinput::sendKey;

class PlexwrightKeysTest : public PlexwrightFormFixture {
protected:
    void SetUp() override {
        PlexwrightFormFixture::SetUp();
        form->setFileChooser(chooseWithFileDialog);
        SetForegroundWindow(form->hwnd);
        realinput::pumpFor(100);
    }

    // The entry dialog opened with the Add button and a short name typed into it.
    void openDialogWithName(const std::wstring& name) {
        clickCentre(form->addButton->hwnd);
        ASSERT_TRUE(dialogShown());
        clickCentre(form->itemForm->shortNameEdit->hwnd);
        realinput::typeTextAndWait(name);
        ASSERT_EQ(form->itemForm->shortName(), name);
    }

    // Browse, then in the open dialog: the path typed (when there is one) and the key pressed;
    // the key comes up only once the open dialog has gone.
    void browseAndPress(const std::wstring& typed, WORD key) {
        const HWND owner = form->itemForm->hwnd;
        realinput::ModalScript script({
            [&] {
                if (!findOwnedDialog(owner))
                    return false;
                realinput::typeText(typed);
                return true;
            },
            [&] {
                sendKey(key, true);
                return true;
            },
            [&] {
                if (findOwnedDialog(owner))
                    return false;
                sendKey(key, false);
                return true;
            },
        });
        clickCentre(form->itemForm->browseButton->hwnd);
        EXPECT_TRUE(script.finish());
        realinput::pumpFor(200);
    }
};

TEST_F(PlexwrightKeysTest, ReturnOrEscapeInTheOpenDialogLeavesTheEntryDialogOpen) {
    const std::wstring memory = folder.file(L"memory.tmx");
    ASSERT_TRUE(testfiles::writeText(memory, "<tmx/>"));
    openDialogWithName(L"MEM");

    // Return chooses the file in the open dialog; the entry dialog waits for the user.
    browseAndPress(memory, VK_RETURN);
    EXPECT_TRUE(dialogShown());
    EXPECT_EQ(form->itemForm->filePath(), memory);
    EXPECT_EQ(form->itemForm->shortName(), L"MEM");
    EXPECT_EQ(form->grid->entryCount(), 0);
    EXPECT_TRUE(realinput::screenshot(form->itemForm->hwnd, L"plexwright_entry_after_browse.png"));

    // Escape cancels the open dialog only.
    browseAndPress(L"", VK_ESCAPE);
    EXPECT_TRUE(dialogShown());
    EXPECT_EQ(form->itemForm->shortName(), L"MEM");
    EXPECT_EQ(form->grid->entryCount(), 0);

    // The entry dialog's own Return adds the entry as the user set it.
    clickCentre(form->itemForm->shortNameEdit->hwnd);
    realinput::pressKey(VK_RETURN);
    EXPECT_FALSE(dialogShown());
    ASSERT_EQ(form->grid->entryCount(), 1);
    EXPECT_EQ(form->grid->entries()[0].shortName, L"MEM");
}

TEST_F(PlexwrightKeysTest, EscapeInThePaletteClosesThePaletteOnly) {
    openDialogWithName(L"KEEP");
    PickTMColorForm* palette = form->itemForm->palette.get();
    clickCentre(form->itemForm->swatch->hwnd);
    ASSERT_TRUE(IsWindowVisible(palette->hwnd));

    realinput::pressKey(VK_ESCAPE);
    EXPECT_FALSE(IsWindowVisible(palette->hwnd));
    EXPECT_TRUE(dialogShown());
    EXPECT_EQ(form->itemForm->shortName(), L"KEEP");
    EXPECT_TRUE(realinput::screenshot(form->itemForm->hwnd, L"plexwright_entry_after_palette.png"));

    realinput::pressKey(VK_ESCAPE);
    EXPECT_FALSE(dialogShown());
    EXPECT_EQ(form->grid->entryCount(), 0);
}

// The window starts with the focus on its first control, so Tab moves on from there at once.
TEST_F(PlexwrightKeysTest, TheWindowStartsWithTheFocusOnItsFirstControl) {
    const HWND first = GetFocus();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(IsChild(form->hwnd, first));
    realinput::pressKey(VK_TAB);
    EXPECT_NE(GetFocus(), first);
    EXPECT_TRUE(IsChild(form->hwnd, GetFocus()));
}

} // namespace
