#include "viewer/TmxEntryDetailsForm.h"

#include "core/l10n/Localization.h"
#include "core/settings/Settings.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/Button.h"
#include "ui_toolkit/ComboBox.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/tests/ControlProbe.h"
#include "viewer/EntryDetailsText.h"
#include "viewer/tests/ClipboardTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

Segment words(std::initializer_list<const wchar_t*> parts) {
    Segment segment;
    for (const wchar_t* part : parts) {
        if (!segment.empty())
            segment.emplace_back(SegmentElementKind::Space, L" ");
        segment.emplace_back(SegmentElementKind::Word, part, part);
    }
    return segment;
}

TmxEntry entryWith(std::initializer_list<std::pair<const wchar_t*, Segment>> languages) {
    TmxEntry entry;
    entry.sourceLanguage = L"en-US";
    for (const auto& language : languages)
        segmentForLanguage(entry, language.first).segment = language.second;
    return entry;
}

std::wstring localized(const wchar_t* key) {
    return Localization::instance().getString(key);
}

std::vector<std::wstring> listItems(const winui::ComboBox* list) {
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list->hwnd, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        items.push_back(list->itemText(static_cast<int32_t>(i)));
    return items;
}

winui::Rect childRect(const winui::Control* control) {
    return control->bounds();
}


class TmxEntryDetailsFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        Localization::instance().setLanguage(L"English");
        owner_ = std::make_unique<winui::Form>(nullptr, 300, 200, 0);
        form_ = std::make_unique<TmxEntryDetailsForm>(owner_.get());
    }
    void TearDown() override {
        Localization::instance().setLanguage(L"English");
        form_.reset();
        owner_.reset();
        pumpMessages();
    }

    std::unique_ptr<winui::Form> owner_;
    std::unique_ptr<TmxEntryDetailsForm> form_;
};

TEST_F(TmxEntryDetailsFormTest, AFixedWindowWithTheControlsInPlace) {
    const winui::Rect client = form_->clientRect();
    EXPECT_EQ(client.width(), 625);
    EXPECT_EQ(client.height(), 411);
    const uint32_t style = windowStyle(form_->hwnd);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_SYSMENU), 0u);
    EXPECT_EQ(style & WS_CAPTION, static_cast<uint32_t>(WS_CAPTION));
    EXPECT_FALSE(IsWindowVisible(form_->hwnd));

    struct Placed {
        const char* name;
        const winui::Control* control;
        winui::Rect rect;
    };
    const Placed placed[] = {
        {"TU ID caption", form_->captions[TmxEntryDetailsForm::CaptionTuid], {8, 16, 73, 34}},
        {"offset caption", form_->captions[TmxEntryDetailsForm::CaptionOffset], {8, 375, 177, 393}},
        {"languages", form_->languagesValue, {394, 16, 617, 57}},
        {"change id", form_->changeIdValue, {464, 344, 622, 362}},
        {"TU ID", form_->tuidValue, {80, 14, 209, 36}},
        {"source", form_->sourceSegment, {8, 70, 617, 159}},
        {"target", form_->targetSegment, {8, 206, 617, 295}},
        {"offset", form_->offsetValue, {188, 373, 325, 395}},
        {"Close", form_->closeButton, {530, 376, 613, 401}},
    };
    for (const Placed& p : placed) {
        const winui::Rect r = childRect(p.control);
        EXPECT_EQ(r.left, p.rect.left) << p.name;
        EXPECT_EQ(r.top, p.rect.top) << p.name;
        EXPECT_EQ(r.right, p.rect.right) << p.name;
        EXPECT_EQ(r.bottom, p.rect.bottom) << p.name;
    }
    EXPECT_EQ(windowStyle(form_->tuidValue->hwnd) & WS_BORDER, 0u);
    EXPECT_EQ(GetWindowLongW(form_->tuidValue->hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    // No caption hides the start of the value beside it.
    EXPECT_LE(form_->captions[TmxEntryDetailsForm::CaptionCreationId]->bounds().right,
              form_->creationIdValue->bounds().left);
    for (const winui::Edit* edit : {form_->tuidValue, form_->sourceSegment, form_->targetSegment, form_->offsetValue})
        EXPECT_NE(windowStyle(edit->hwnd) & ES_READONLY, 0u);
    LOGFONTW caption = {};
    ASSERT_TRUE(form_->captions[TmxEntryDetailsForm::CaptionSource]->font.getLogFont(caption));
    EXPECT_GE(caption.lfWeight, FW_BOLD);
    LOGFONTW value = {};
    ASSERT_TRUE(form_->creationIdValue->font.getLogFont(value));
    EXPECT_LT(value.lfWeight, FW_BOLD);
    EXPECT_EQ(form_->text(), L"Entry Details");
    EXPECT_EQ(form_->captions[TmxEntryDetailsForm::CaptionTuid]->text(), L"TU ID:");
}

// Whether the edge of the window's client area differs from the inside next to it, as a drawn
// frame does.
bool drawsFrame(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    UpdateWindow(window);
    const HDC dc = GetDC(window);
    const int middle = client.bottom / 2;
    const bool framed = GetPixel(dc, 0, middle) != GetPixel(dc, 3, middle) ||
                        GetPixel(dc, client.right - 1, middle) != GetPixel(dc, client.right - 4, middle);
    ReleaseDC(window, dc);
    return framed;
}

TEST_F(TmxEntryDetailsFormTest, OnlyTheIdIsShownWithoutAFrame) {
    ShowWindow(form_->hwnd, SW_SHOWNORMAL);
    SetWindowPos(form_->hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    pumpMessages();
    // The window gave its first field the focus; that field's caret would read as a frame.
    SetFocus(form_->closeButton->hwnd);
    pumpMessages();
    EXPECT_FALSE(drawsFrame(form_->tuidValue->hwnd));
    EXPECT_TRUE(drawsFrame(form_->offsetValue->hwnd));
}

TEST_F(TmxEntryDetailsFormTest, ShowsEachKindOfEntry) {
    PackedDate created;
    created.set(2014, 3, 21, 14, 5, 0);
    TmxEntry full = entryWith({{L"en-US", words({L"Hello", L"world"})},
                               {L"fr-FR", words({L"Bonjour", L"monde"})},
                               {L"de-DE", words({L"Hallo", L"Welt"})}});
    full.tuid = L"tu-42";
    full.creationId = L"ANNA";
    full.changeId = L"BEN";
    full.creationDate = created;

    struct Case {
        const char* name;
        TmxEntry entry;
        std::vector<std::wstring> list;
        std::wstring languages;
        std::wstring caption;
        std::wstring target;
    };
    const Case cases[] = {
        {"source only", entryWith({{L"en-US", words({L"Alone"})}}), {}, L"", localized(L"TargetLanguage"), L""},
        {"two targets", full, {L"de-DE", L"fr-FR"}, L"de-DE, fr-FR", localized(L"TargetLanguages"),
         L"Hallo Welt"},
    };
    for (const Case& c : cases) {
        form_->showEntry(c.entry, 1234);
        EXPECT_EQ(listItems(form_->languageList), c.list) << c.name;
        EXPECT_EQ(form_->languagesValue->text(), c.languages) << c.name;
        EXPECT_EQ(form_->captions[TmxEntryDetailsForm::CaptionTargetLanguages]->text(), c.caption) << c.name;
        EXPECT_EQ(form_->targetSegment->text(), c.target) << c.name;
        EXPECT_EQ(form_->offsetValue->text(), L"1234") << c.name;
    }
    EXPECT_EQ(form_->tuidValue->text(), L"tu-42");
    EXPECT_EQ(form_->sourceSegment->text(), L"Hello world");
    EXPECT_EQ(form_->creationDateValue->text(), formatEntryDate(created));
    EXPECT_EQ(form_->creationIdValue->text(), L"ANNA");
    EXPECT_EQ(form_->changeIdValue->text(), L"BEN");

    // Another list entry shows that language's segment.
    SendMessageW(form_->languageList->hwnd, CB_SETCURSEL, 1, 0);
    form_->showTargetSegment();
    EXPECT_EQ(form_->targetSegment->text(), L"Bonjour monde");

    // Nothing to show: "n/a" in the five places.
    form_->showEntry(entryWith({{L"en-US", words({L"Bare"})}, {L"de-DE", words({L"Nackt"})}}), 0);
    for (const winui::Control* field : std::vector<const winui::Control*>{
             form_->tuidValue, form_->creationDateValue, form_->changeDateValue, form_->creationIdValue,
             form_->changeIdValue})
        EXPECT_EQ(field->text(), L"n/a");
    EXPECT_EQ(form_->offsetValue->text(), L"0");
}

TEST_F(TmxEntryDetailsFormTest, TheSegmentsShowAsMarkup) {
    Segment tagged = words({L"a"});
    tagged.emplace_back(SegmentElementKind::OpeningTag, L"b", L"");
    tagged.emplace_back(SegmentElementKind::Word, L"x<y", L"x<y");
    tagged.emplace_back(SegmentElementKind::ClosingTag, L"b");
    form_->showEntry(entryWith({{L"en-US", tagged}, {L"de-DE", tagged}}), 7);
    EXPECT_EQ(form_->sourceSegment->text(), renderSegmentXml(tagged));
    EXPECT_NE(form_->sourceSegment->text().find(L"&lt;"), std::wstring::npos);
    EXPECT_EQ(form_->targetSegment->text(), renderSegmentXml(tagged));
}

TEST_F(TmxEntryDetailsFormTest, ACloseRequestHidesUntilTheProgramCloses) {
    form_->showEntry(entryWith({{L"en-US", words({L"One"})}}), 1);
    ShowWindow(form_->hwnd, SW_SHOWNORMAL);
    SendMessageW(form_->hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(form_->hwnd));
    EXPECT_FALSE(IsWindowVisible(form_->hwnd));
    const winui::Rect stored = Settings::global().get<winui::Rect>(L"entryDetailsFormRect", winui::Rect());
    EXPECT_EQ(stored.width(), form_->bounds().width());
    EXPECT_FALSE(Settings::global().get<bool>(L"entryDetailsFormMaximized", true));

    // The Close button hides too.
    ShowWindow(form_->hwnd, SW_SHOWNORMAL);
    SendMessageW(form_->closeButton->hwnd, BM_CLICK, 0, 0);
    pumpMessages();
    EXPECT_FALSE(IsWindowVisible(form_->hwnd));

    form_->closing = true;
    const HWND window = form_->hwnd;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(TmxEntryDetailsFormTest, ALanguageChangeRelabelsButKeepsTheTargetCaption) {
    form_->showEntry(entryWith({{L"en-US", words({L"One"})}, {L"de-DE", words({L"Eins"})},
                                {L"fr-FR", words({L"Un"})}}), 1);
    const std::wstring targetCaption = form_->captions[TmxEntryDetailsForm::CaptionTargetLanguages]->text();
    Localization::instance().setLanguage(L"Deutsch");
    EXPECT_EQ(form_->captions[TmxEntryDetailsForm::CaptionSource]->text(), localized(L"SourceSegment"));
    EXPECT_EQ(form_->closeButton->text(), localized(L"Close"));
    EXPECT_EQ(form_->text(), localized(L"EntryDetails"));
    EXPECT_NE(form_->text(), L"Entry Details");
    EXPECT_EQ(form_->captions[TmxEntryDetailsForm::CaptionTargetLanguages]->text(), targetCaption);
}

TEST_F(TmxEntryDetailsFormTest, CtrlCInASegmentCopiesItsSelection) {
    form_->showEntry(entryWith({{L"en-US", words({L"Hello", L"world"})}}), 1);
    ShowWindow(owner_->hwnd, SW_SHOWNORMAL);
    ShowWindow(form_->hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(form_->hwnd);
    SetFocus(form_->sourceSegment->hwnd);
    SendMessageW(form_->sourceSegment->hwnd, EM_SETSEL, 6, 11);
    holdKeys({VK_CONTROL});
    PostMessageW(form_->sourceSegment->hwnd, WM_KEYDOWN, 'C', 0x002E0001);
    PostMessageW(form_->sourceSegment->hwnd, WM_KEYUP, 'C', static_cast<LPARAM>(0xC02E0001u));
    pumpMessages();
    holdKeys({});
    EXPECT_EQ(clipboardUnicodeText(), L"world");
}

} // namespace

namespace {

TEST(TmxEntryDetailsFormPlacementTest, ALastPlaceWhollyOnTheDesktopIsRestored) {
    winui::Form owner(nullptr, 300, 200, 0);
    struct Case {
        const char* name;
        int32_t left;
        int32_t top;
        bool restored;
    };
    const Case cases[] = {
        {"on the desktop", 10, 20, true},
        {"partly off the left edge", -30, 20, false},
        {"below the desktop", 10, 5000, false},
    };
    for (const Case& c : cases) {
        TmxEntryDetailsForm sized(&owner);
        const winui::Rect centred = sized.bounds();
        Settings::global().set<winui::Rect>(
            L"entryDetailsFormRect",
            winui::Rect(c.left, c.top, c.left + centred.width(), c.top + centred.height()));
        TmxEntryDetailsForm form(&owner);
        ShowWindow(form.hwnd, SW_SHOWNORMAL);
        const winui::Rect shown = form.bounds();
        EXPECT_EQ(shown.left, c.restored ? c.left : centred.left) << c.name;
        EXPECT_EQ(shown.top, c.restored ? c.top : centred.top) << c.name;
        EXPECT_EQ(shown.width(), centred.width()) << c.name;
        ShowWindow(form.hwnd, SW_HIDE);
    }
}

} // namespace
