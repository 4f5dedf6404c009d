#include "ui_toolkit/CheckBox.h"

#include "ui_toolkit/Form.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/tests/EventCounter.h"
#include "ui_toolkit/tests/RealInput.h"
#include "ui_toolkit/tests/WindowPixels.h"

#include <gtest/gtest.h>

#include <functional>

using winui::CheckBox;
using winui::CheckBoxCover;
using winui::Rect;
using namespace window_pixels;

namespace {

winui::Style* cxStyle() {
    return winui::getStyle(L"CX");
}

// A styled form with one check box placed on it.
struct CheckBoxForm {
    winui::Form form{nullptr, 300, 150, 0};
    CheckBox* box = nullptr;
    const Rect place{20, 20, 180, 44};

    CheckBoxForm() {
        form.setStyle(cxStyle());
        box = new CheckBox(&form);
        MoveWindow(box->hwnd, place.left, place.top, place.width(), place.height(), FALSE);
        box->setText(L"Remember");
        ShowWindow(form.hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(form.hwnd);
    }

    // Where the cover draws its glyph: 12 pixels of element centred on the text line.
    Rect glyph() const {
        winui::Canvas measure;
        measure.setFont(box->cover->font);
        TEXTMETRICW metrics = {};
        GetTextMetricsW(measure.dc, &metrics);
        const winui::StyleElement& element = cxStyle()->element(winui::kElementCheckBox);
        const int32_t line = metrics.tmAscent + metrics.tmDescent;
        return Rect(place.left, place.top + (line - element.source.height()) / 2,
                    place.left + element.source.width(),
                    place.top + (line + element.source.height()) / 2);
    }

    // Empty when the glyph's inside, clear of the check mark, shows the element's colour there.
    std::string glyphShows(int32_t element) const {
        const Rect inside(3, 3, 5, 5);
        const COLORREF expected = elementPixel(*cxStyle(), element, inside.left, inside.top);
        const Rect g = glyph();
        return regionMismatch(capture(form.hwnd), offset(inside, g.left, g.top), expected);
    }
};

bool above(HWND upper, HWND lower) {
    for (HWND w = GetWindow(lower, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
        if (w == upper)
            return true;
    }
    return false;
}

} // namespace

TEST(CheckBoxTest, NativeWithoutImagesCoveredWithThem) {
    ASSERT_NE(cxStyle(), nullptr);
    winui::Form form(nullptr, 300, 150, 0);
    auto* box = new CheckBox(&form);
    EXPECT_EQ(className(box->hwnd), L"Button");
    EXPECT_EQ(windowStyle(box->hwnd), 0x54010003u);
    EXPECT_EQ(box->paintFlags, 0u);
    EXPECT_EQ(box->cover, nullptr);
    MoveWindow(box->hwnd, 10, 10, 120, 20, FALSE);
    box->setText(L"Plain");

    form.setStyle(cxStyle());
    CheckBoxCover* cover = box->cover;
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->box, box);
    EXPECT_EQ(className(cover->hwnd), winui::childWindowClass);
    EXPECT_EQ(GetParent(cover->hwnd), form.hwnd);
    EXPECT_EQ(windowStyle(cover->hwnd), 0x54000000u);
    EXPECT_EQ(cover->paintFlags, winui::PaintThroughPaint | winui::EraseSwallow);
    EXPECT_EQ(cover->bounds(), Rect(10, 10, 130, 30));
    EXPECT_EQ(cover->text(), L"Plain");
    EXPECT_TRUE(cover->enabled);
    EXPECT_FALSE(cover->checked);

    // Dropping the style deletes the cover; restoring it makes a new one in the current state.
    const HWND coverWindow = cover->hwnd;
    form.setStyle(nullptr);
    EXPECT_EQ(box->cover, nullptr);
    EXPECT_FALSE(IsWindow(coverWindow));
    SendMessageW(box->hwnd, BM_SETCHECK, BST_CHECKED, 0);
    form.setStyle(cxStyle());
    ASSERT_NE(box->cover, nullptr);
    EXPECT_TRUE(box->cover->checked);
    EXPECT_EQ(box->cover->text(), L"Plain");

    // The cover writes in the box's font, also one the box alone was given.
    LOGFONTW wanted = {};
    wanted.lfHeight = -19;
    wcscpy(wanted.lfFaceName, L"Tahoma");
    box->inheritFont = false;
    box->setFont(winui::Font::fromLogFont(wanted));
    LOGFONTW seen = {};
    ASSERT_TRUE(box->cover->font.getLogFont(seen));
    EXPECT_EQ(seen.lfHeight, -19);

    // Deleting the check box takes its cover along.
    const HWND lastCover = box->cover->hwnd;
    delete box;
    EXPECT_FALSE(IsWindow(lastCover));
}

TEST(CheckBoxTest, CoverLiesAboveTheBoxAndLetsTheMouseThrough) {
    ASSERT_NE(cxStyle(), nullptr);
    CheckBoxForm f;
    CheckBox* box = f.box;
    ASSERT_NE(box->cover, nullptr);
    EXPECT_TRUE(above(box->cover->hwnd, box->hwnd));
    // Moving the box brings the cover along and keeps it on top.
    MoveWindow(box->hwnd, f.place.left, f.place.top, f.place.width(), f.place.height(), TRUE);
    EXPECT_TRUE(above(box->cover->hwnd, box->hwnd));
    EXPECT_EQ(box->cover->bounds(), f.place);

    POINT middle = {f.place.left + 40, f.place.top + 8};
    ClientToScreen(f.form.hwnd, &middle);
    EXPECT_EQ(WindowFromPoint(middle), box->hwnd);
    // What shows is the cover's drawing, not the native box under it.
    EXPECT_EQ(f.glyphShows(winui::kElementCheckBox), "");

    EventCounter changes;
    changes.holder.connect(box->changed, &changes, &EventCounter::fired);
    realinput::click(f.form.hwnd, f.place.left + 6, f.place.top + 8);
    ASSERT_TRUE(pumpUntil([&] { return box->isChecked(); }));
    pumpMessages();
    EXPECT_EQ(changes.count, 1);
    EXPECT_TRUE(box->cover->checked);
    EXPECT_FALSE(box->cover->pressed);
    EXPECT_EQ(f.glyphShows(winui::kElementCheckBoxChecked), "");
}

TEST(CheckBoxTest, CoverFollowsStateSetByTheProgram) {
    ASSERT_NE(cxStyle(), nullptr);
    CheckBoxForm f;
    CheckBox* box = f.box;
    CheckBoxCover* cover = box->cover;
    ASSERT_NE(cover, nullptr);
    EventCounter changes;
    changes.holder.connect(box->changed, &changes, &EventCounter::fired);

    struct Step {
        const char* what;
        std::function<void()> act;
        int changes;
        int32_t element;
    } const steps[] = {
        {"checked by the program", [&] { SendMessageW(box->hwnd, BM_SETCHECK, BST_CHECKED, 0); }, 1,
         winui::kElementCheckBoxChecked},
        {"disabled", [&] { EnableWindow(box->hwnd, FALSE); }, 1, winui::kElementCheckBoxCheckedDisabled},
        {"unchecked while disabled", [&] { SendMessageW(box->hwnd, BM_SETCHECK, BST_UNCHECKED, 0); }, 2,
         winui::kElementCheckBoxDisabled},
        {"enabled", [&] { EnableWindow(box->hwnd, TRUE); }, 2, winui::kElementCheckBox},
        {"pressed", [&] { SendMessageW(box->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 8)); }, 2,
         winui::kElementCheckBoxPressed},
        // Released inside: the native box checks itself, and says so.
        {"released", [&] { SendMessageW(box->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(6, 8)); }, 3,
         winui::kElementCheckBoxChecked},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        pumpMessages();
        EXPECT_EQ(changes.count, step.changes);
        EXPECT_EQ(cover->currentElement(), step.element);
        EXPECT_EQ(f.glyphShows(step.element), "");
    }

    // Text, focus and visibility follow the box too.
    box->setText(L"Other");
    EXPECT_EQ(cover->text(), L"Other");
    SetFocus(box->hwnd);
    EXPECT_TRUE(cover->focused);
    SetFocus(f.form.hwnd);
    EXPECT_FALSE(cover->focused);
    ShowWindow(box->hwnd, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(cover->hwnd));
    ShowWindow(box->hwnd, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(cover->hwnd));
}
