#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

using winui::Rect;

namespace {

std::vector<std::wstring> creationCalls(bool visible) {
    std::vector<std::wstring> calls = {L"styleChanged", L"fontChanged"};
    if (visible)
        calls.push_back(L"shown");
    return calls;
}

} // namespace

TEST(ControlStartUpTest, FirstControlInitialisesTheToolkit) {
    ControlProbe top;
    EXPECT_TRUE(winui::started);
    EXPECT_GT(winui::screenDpiX, 0);
    EXPECT_GT(winui::screenDpiY, 0);
    EXPECT_FALSE(winui::defaultFont.isNull());
    const HINSTANCE instance = Application::instance().instanceHandle();
    for (const wchar_t* name : {winui::mainWindowClass, winui::windowClass, winui::childWindowClass}) {
        WNDCLASSEXW info = {};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetClassInfoExW(instance, name, &info)) << name;
        EXPECT_EQ(info.lpfnWndProc, winui::windowProc);
    }
    WNDCLASSEXW child = {};
    child.cbSize = sizeof(child);
    GetClassInfoExW(instance, winui::childWindowClass, &child);
    EXPECT_EQ(child.style, 0x8Bu);
}

TEST(ControlTest, CreationRegistersNumbersAndNotifiesInOrder) {
    ControlProbe top;
    ASSERT_NE(top.hwnd, nullptr);
    EXPECT_EQ(registeredControl(top.hwnd), &top);
    EXPECT_EQ(top.oldWindowProc, nullptr);
    EXPECT_EQ(top.calls, creationCalls(false));
    EXPECT_EQ(top.id, 0);

    auto* first = new ControlProbe(&top);
    auto* second = new ControlProbe(&top);
    EXPECT_EQ(first->calls, creationCalls(true));
    EXPECT_EQ(first->id, 1);
    EXPECT_EQ(second->id, 2);
    EXPECT_EQ(GetWindowLongPtrW(second->hwnd, GWLP_ID), 2);
    EXPECT_EQ(top.childIds.at(1), first);
    EXPECT_EQ(top.children.size(), 2u);
    // An empty rectangle parks the window out of sight until its owner places it.
    EXPECT_EQ(first->bounds(), Rect(-50, -50, -20, -20));
    // Children inherit the parent's font as a copy of their own.
    LOGFONTW parentFont = {}, childFont = {};
    ASSERT_TRUE(top.font.getLogFont(parentFont));
    ASSERT_TRUE(first->font.getLogFont(childFont));
    EXPECT_NE(first->font.handle(), top.font.handle());
    EXPECT_STREQ(childFont.lfFaceName, parentFont.lfFaceName);

    // Ids are never reused.
    delete first;
    EXPECT_EQ(top.childIds.count(1), 0u);
    auto* third = new ControlProbe(&top);
    EXPECT_EQ(third->id, 3);
}

TEST(ControlTest, NativeControlIsSubclassedAndGivenBackItsProcedure) {
    ControlProbe top;
    auto* button = new ControlProbe(&top, L"BUTTON", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON);
    ASSERT_NE(button->hwnd, nullptr);
    ASSERT_NE(button->oldWindowProc, nullptr);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button->hwnd, GWLP_WNDPROC)),
              winui::windowProc);
    // Default processing reaches the native control: the text lands in the button.
    button->setText(L"Go");
    EXPECT_EQ(button->text(), L"Go");
    EXPECT_EQ(button->calls.back(), L"textChanged");

    const WNDPROC native = button->oldWindowProc;
    const HWND window = button->hwnd;
    const auto detached = button->detachWindow();
    EXPECT_EQ(detached.first, native);
    EXPECT_EQ(detached.second, window);
    EXPECT_EQ(button->hwnd, nullptr);
    EXPECT_EQ(registeredControl(window), nullptr);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)), native);
    DestroyWindow(window);
}

TEST(ControlTest, MessagesBecomeVirtualCalls) {
    ControlProbe top;
    auto* probe = new ControlProbe(&top);
    const HWND w = probe->hwnd;
    probe->calls.clear();

    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        const wchar_t* call;
    };
    const Case cases[] = {
        {WM_TIMER, 7, 0, L"timer 7"},
        // Coordinates are the signed 16-bit halves of lParam.
        {WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(-3), 5), L"move -3 5"},
        {WM_LBUTTONDOWN, 0, MAKELPARAM(3, 4), L"down 3 4 0"},
        {WM_RBUTTONDOWN, 0, MAKELPARAM(3, 4), L"down 3 4 1"},
        {WM_LBUTTONUP, 0, MAKELPARAM(6, 7), L"up 6 7 0"},
        {WM_RBUTTONUP, 0, MAKELPARAM(6, 7), L"up 6 7 1"},
        {WM_LBUTTONDBLCLK, 0, MAKELPARAM(8, 9), L"double 8 9"},
        {WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0, L"wheel -1"},
        {WM_MOUSEWHEEL, MAKEWPARAM(0, 60), 0, L"wheel 0"},
        {WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-360)), 0, L"wheel -3"},
        {WM_CHAR, 'a', 0, L"char 97"},
        {WM_USER + 5, 11, 0, L"message 1029 11"},
    };
    for (const Case& c : cases) {
        probe->calls.clear();
        SendMessageW(w, c.message, c.wParam, c.lParam);
        ASSERT_EQ(probe->calls.size(), 1u) << c.call;
        EXPECT_EQ(probe->calls[0], c.call);
    }

    // Keys are previewed by the key target (the topmost ancestor) first.
    std::vector<std::wstring> log;
    top.sharedLog = probe->sharedLog = &log;
    top.name = L"top";
    probe->name = L"child";
    SendMessageW(w, WM_KEYDOWN, 'K', 0);
    SendMessageW(w, WM_KEYUP, 'K', 0);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"top: preview 75 down", L"child: keyDown 75",
                                              L"top: preview 75 up", L"child: keyUp 75"}));
    // A key that the preview takes reaches neither the key handlers nor the native control.
    log.clear();
    top.swallowKeys = true;
    EXPECT_EQ(SendMessageW(w, WM_KEYDOWN, 'K', 0), 0);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"top: preview 75 down"}));
}

TEST(ControlTest, CloseCanBeRefusedAndOtherwiseDestroysOnlyTheWindow) {
    auto top = std::make_unique<ControlProbe>();
    const HWND window = top->hwnd;
    top->allowClose = false;
    EXPECT_EQ(SendMessageW(window, WM_CLOSE, 0, 0), 1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(top->calls.back(), L"closing");

    top->allowClose = true;
    top->calls.clear();
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(top->calls, (std::vector<std::wstring>{L"closing", L"close"}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(top->hwnd, nullptr);
    EXPECT_EQ(registeredControl(window), nullptr);
}

TEST(ControlTest, AnchoredChildrenFollowFromTheSecondSizeMessage) {
    ControlProbe top;
    struct Case {
        uint32_t anchors;
        Rect after; // placed at (10, 10, 60, 40); the parent grows by (20, 30)
    };
    const Case cases[] = {
        {0, Rect(10, 10, 60, 40)},
        {winui::AnchorLeft | winui::AnchorTop, Rect(10, 10, 60, 40)},
        {winui::AnchorRight, Rect(30, 10, 80, 40)},
        {winui::AnchorLeft | winui::AnchorRight, Rect(10, 10, 80, 40)},
        {winui::AnchorBottom, Rect(10, 40, 60, 70)},
        {winui::AnchorTop | winui::AnchorBottom | winui::AnchorRight, Rect(30, 10, 80, 70)},
    };
    std::vector<ControlProbe*> children;
    for (const Case& c : cases) {
        auto* child = new ControlProbe(&top);
        child->anchors = c.anchors;
        SetWindowPos(child->hwnd, nullptr, 10, 10, 50, 30, SWP_NOZORDER);
        children.push_back(child);
    }
    top.lastClientWidth = top.lastClientHeight = 0;
    // The first size message only records the size.
    SendMessageW(top.hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100));
    EXPECT_EQ(top.lastClientWidth, 200);
    EXPECT_EQ(children[2]->bounds(), Rect(10, 10, 60, 40));
    // Minimised, or told that another window was restored: nothing moves and the size is not
    // recorded.
    SendMessageW(top.hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(top.lastClientWidth, 200);
    SendMessageW(top.hwnd, WM_SIZE, SIZE_MAXSHOW, MAKELPARAM(300, 300));
    EXPECT_EQ(top.lastClientWidth, 200);
    SendMessageW(top.hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(220, 130));
    for (size_t i = 0; i < children.size(); ++i)
        EXPECT_EQ(children[i]->bounds(), cases[i].after) << "case " << i;
}

TEST(ControlTest, MinimumSizeHoldsAgainstSmallerSizes) {
    ControlProbe top;
    top.minWidth = 150;
    top.minHeight = 120;
    SetWindowPos(top.hwnd, nullptr, 0, 0, 100, 200, SWP_NOZORDER | SWP_NOMOVE);
    const Rect r = top.bounds();
    EXPECT_EQ(r.width(), 150);
    EXPECT_EQ(r.height(), 200);
}

TEST(ControlTest, PaintRunsWithTheControlsFontAndReleasesIt) {
    ControlProbe top;
    ShowWindow(top.hwnd, SW_SHOWNORMAL);
    top.paintFlags = winui::PaintThroughPaint;
    top.calls.clear();
    InvalidateRect(top.hwnd, nullptr, TRUE);
    UpdateWindow(top.hwnd);
    ASSERT_EQ(top.calls, std::vector<std::wstring>{L"paint"});
    // The canvas selected a private copy of the font, not the Control's own handle...
    ASSERT_NE(top.paintedFont, nullptr);
    EXPECT_NE(top.paintedFont, top.font.handle());
    // ...and deleted it when the paint ended.
    EXPECT_EQ(GetObjectType(top.paintedFont), 0u);

    // Validate-only painting takes the message without calling paint.
    top.paintFlags = winui::PaintValidateOnly;
    top.calls.clear();
    InvalidateRect(top.hwnd, nullptr, FALSE);
    UpdateWindow(top.hwnd);
    EXPECT_TRUE(top.calls.empty());
    EXPECT_FALSE(GetUpdateRect(top.hwnd, nullptr, FALSE));
}

TEST(ControlTest, DeletingAControlReleasesItsFontAndItsChildren) {
    auto* top = new ControlProbe();
    auto* child = new ControlProbe(top, L"BUTTON", WS_CHILD | WS_VISIBLE);
    auto* grandchild = new ControlProbe(child);
    const HFONT fonts[] = {top->font.handle(), child->font.handle(), grandchild->font.handle()};
    const HWND windows[] = {top->hwnd, child->hwnd, grandchild->hwnd};
    delete top;
    for (HFONT f : fonts)
        EXPECT_EQ(GetObjectType(f), 0u);
    for (HWND w : windows) {
        EXPECT_FALSE(IsWindow(w));
        EXPECT_EQ(registeredControl(w), nullptr);
    }
}

TEST(ControlTest, SetFontReachesInheritingChildrenOnly) {
    ControlProbe top;
    auto* inheriting = new ControlProbe(&top);
    auto* own = new ControlProbe(&top);
    own->inheritFont = false;
    const HFONT ownBefore = own->font.handle();
    const HFONT oldTop = top.font.handle();
    winui::Font big(L"Arial", 20.0f, 0);
    top.setFont(big);
    LOGFONTW lf = {};
    ASSERT_TRUE(inheriting->font.getLogFont(lf));
    EXPECT_STREQ(lf.lfFaceName, L"Arial");
    EXPECT_EQ(own->font.handle(), ownBefore);
    EXPECT_EQ(GetObjectType(oldTop), 0u); // the replaced font is gone
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(top.hwnd, WM_GETFONT, 0, 0)), nullptr)
        << "the toolkit's own class keeps no font";
    EXPECT_EQ(inheriting->calls.back(), L"fontChanged");
}

TEST(ControlDestroyTest, DeletedInsideItsOwnHandlerIsLeftAlone) {
    ControlProbe top;
    // Each hook deletes the Control while the dispatcher is still inside its message.
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Case cases[] = {
        {"timer", WM_TIMER, 1, 0},
        {"generic slot", WM_USER + 1, 0, 0},
        {"own command", WM_COMMAND, 0, 0}, // lParam filled in below
    };
    for (const Case& c : cases) {
        auto* victim = new ControlProbe(&top);
        const HWND window = victim->hwnd;
        auto kill = [victim] { delete victim; };
        victim->onTimerHook = kill;
        victim->onCommandHook = kill;
        victim->onMessageHook = [victim](winui::Message&) { delete victim; };
        const LPARAM lParam = c.message == WM_COMMAND ? reinterpret_cast<LPARAM>(window) : c.lParam;
        SendMessageW(window, c.message, c.wParam, lParam);
        EXPECT_FALSE(IsWindow(window)) << c.what;
        EXPECT_EQ(registeredControl(window), nullptr) << c.what;
        EXPECT_TRUE(top.children.empty()) << c.what;
    }
}

TEST(ControlDestroyTest, ChildDeletingItsParentDuringACommand) {
    auto* top = new ControlProbe();
    auto* button = new ControlProbe(top, L"BUTTON", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON);
    const HWND topWindow = top->hwnd;
    button->onCommandHook = [top] { delete top; };
    // The parent's dispatch of WM_COMMAND hands the click to the button, which deletes the
    // parent (and with it the button) before the parent's dispatch returns.
    SendMessageW(topWindow, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button->hwnd));
    EXPECT_FALSE(IsWindow(topWindow));
    EXPECT_EQ(registeredControl(topWindow), nullptr);
}

TEST(ControlDestroyTest, WindowDestroyedUnderneathLeavesNoStaleEntry) {
    auto* top = new ControlProbe();
    auto* button = new ControlProbe(top, L"BUTTON", WS_CHILD | WS_VISIBLE);
    const HWND topWindow = top->hwnd;
    const HWND buttonWindow = button->hwnd;
    DestroyWindow(topWindow);
    EXPECT_EQ(top->hwnd, nullptr);
    EXPECT_EQ(button->hwnd, nullptr);
    EXPECT_EQ(button->oldWindowProc, nullptr);
    EXPECT_EQ(registeredControl(topWindow), nullptr);
    EXPECT_EQ(registeredControl(buttonWindow), nullptr);
    // Messages for the gone windows reach nothing, and deleting the objects later is safe.
    EXPECT_EQ(winui::windowProc(topWindow, WM_USER + 1, 0, 0), 0);
    delete top;
}

TEST(ControlRoutingTest, CommandsAndNotificationsGoToTheNamedChild) {
    ControlProbe top;
    auto* button = new ControlProbe(&top, L"BUTTON", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON);
    auto* other = new ControlProbe(&top);
    top.calls.clear();
    button->calls.clear();
    other->calls.clear();

    SendMessageW(top.hwnd, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button->hwnd));
    EXPECT_EQ(button->calls, std::vector<std::wstring>{L"command 0"});
    // The parent sees the message only in its generic slot.
    ASSERT_EQ(top.calls.size(), 1u);
    EXPECT_EQ(top.calls[0].rfind(L"message 273 ", 0), 0u);
    EXPECT_TRUE(other->calls.empty());

    NMHDR header = {};
    header.hwndFrom = other->hwnd;
    header.idFrom = static_cast<UINT_PTR>(other->id);
    header.code = 1234;
    SendMessageW(top.hwnd, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(other->calls, std::vector<std::wstring>{L"notify 1234"});

    DRAWITEMSTRUCT draw = {};
    draw.CtlID = static_cast<UINT>(other->id);
    draw.hDC = GetDC(top.hwnd);
    EXPECT_EQ(SendMessageW(top.hwnd, WM_DRAWITEM, other->id, reinterpret_cast<LPARAM>(&draw)), 1);
    ReleaseDC(top.hwnd, draw.hDC);
    MEASUREITEMSTRUCT measure = {};
    measure.CtlID = static_cast<UINT>(button->id);
    EXPECT_EQ(SendMessageW(top.hwnd, WM_MEASUREITEM, button->id, reinterpret_cast<LPARAM>(&measure)), 1);
    EXPECT_EQ(other->calls.back(), L"drawItem " + std::to_wstring(other->id));
    EXPECT_EQ(button->calls.back(), L"measureItem " + std::to_wstring(button->id));
}

TEST(ControlRoutingTest, PostedCommandArrivesAfterWhatWasQueued) {
    ControlProbe top;
    std::vector<std::wstring> log;
    top.sharedLog = &log;
    PostMessageW(top.hwnd, WM_USER + 2, 0, 0);
    top.postCommand(42);
    // Nothing runs before the queue is served.
    EXPECT_TRUE(log.empty());
    pumpMessages();
    EXPECT_EQ(log, (std::vector<std::wstring>{L": message 1026 0", L": command 42",
                                              L": message 273 " + std::to_wstring(0x002AFFFF)}));
}

TEST(ControlTest, TabMovesToTheNextEnabledVisibleTabStop) {
    ControlProbe top;
    ShowWindow(top.hwnd, SW_SHOWNORMAL);
    const uint32_t tabStop = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    auto* a = new ControlProbe(&top, L"BUTTON", tabStop);
    auto* disabled = new ControlProbe(&top, L"BUTTON", tabStop | WS_DISABLED);
    auto* noStop = new ControlProbe(&top, L"BUTTON", WS_CHILD | WS_VISIBLE);
    auto* c = new ControlProbe(&top, L"BUTTON", tabStop);
    (void)disabled;
    (void)noStop;
    SetForegroundWindow(top.hwnd);
    SetFocus(a->hwnd);
    ASSERT_EQ(GetFocus(), a->hwnd);
    SendMessageW(a->hwnd, WM_CHAR, 9, 0);
    EXPECT_EQ(GetFocus(), c->hwnd);
    SendMessageW(c->hwnd, WM_CHAR, 9, 0); // wraps around
    EXPECT_EQ(GetFocus(), a->hwnd);
    a->focusPrevious();
    EXPECT_EQ(GetFocus(), c->hwnd);
    // With Alt held (bit 29) Tab is an ordinary character.
    c->calls.clear();
    SendMessageW(c->hwnd, WM_CHAR, 9, 1 << 29);
    EXPECT_EQ(GetFocus(), c->hwnd);
    EXPECT_EQ(c->calls, std::vector<std::wstring>{L"char 9"});
}

TEST(ControlTest, RecreatedWindowKeepsIdTextPlaceAndRegistration) {
    ControlProbe top;
    auto* button = new ControlProbe(&top, L"BUTTON", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON);
    SetWindowPos(button->hwnd, nullptr, 5, 6, 70, 20, SWP_NOZORDER);
    button->setText(L"Label");
    const HWND before = button->hwnd;
    button->calls.clear();

    button->changeStyle(0, 0); // no change, no new window
    EXPECT_EQ(button->hwnd, before);

    button->changeStyle(BS_OWNERDRAW, 0);
    ASSERT_NE(button->hwnd, before);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_EQ(registeredControl(before), nullptr);
    EXPECT_EQ(registeredControl(button->hwnd), button);
    EXPECT_EQ(GetWindowLongW(button->hwnd, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    EXPECT_EQ(GetWindowLongPtrW(button->hwnd, GWLP_ID), button->id);
    EXPECT_EQ(button->id, 1);
    EXPECT_EQ(button->text(), L"Label");
    EXPECT_EQ(button->bounds(), Rect(5, 6, 75, 26));
    EXPECT_EQ(top.nextChildId, 1) << "recreation hands out no id";
    // No creation notifications for a recreated window.
    for (const std::wstring& call : button->calls)
        EXPECT_NE(call, L"styleChanged");
}

TEST(ControlTest, ChildAtAndKeyTarget) {
    ControlProbe top;
    auto* child = new ControlProbe(&top);
    SetWindowPos(child->hwnd, nullptr, 10, 10, 20, 20, SWP_NOZORDER);
    auto* grandchild = new ControlProbe(child);
    EXPECT_EQ(top.childAt(10, 10), child);
    EXPECT_EQ(top.childAt(29, 29), child);
    EXPECT_EQ(top.childAt(30, 30), nullptr);
    EXPECT_EQ(grandchild->keyTarget(), &top);
    EXPECT_EQ(top.keyTarget(), &top);
}

// An exception from a handler stops at the window procedure: the message counts as not handled
// (the default procedure answers it), the process lives on and the control keeps working.
TEST(ControlTest, AnExceptionFromAHandlerDoesNotLeaveTheWindowProcedure) {
    ControlProbe top;
    int thrown = 0;
    top.onMessageHook = [&](winui::Message& message) {
        if (message.message == WM_APP + 7) {
            ++thrown;
            throw std::bad_alloc();
        }
    };
    top.onTimerHook = [&] {
        ++thrown;
        throw std::runtime_error("handler failed");
    };
    EXPECT_EQ(SendMessageW(top.hwnd, WM_APP + 7, 1, 0), 0);
    EXPECT_EQ(SendMessageW(top.hwnd, WM_TIMER, 42, 0), 0);
    EXPECT_EQ(thrown, 2);
    top.calls.clear();
    SendMessageW(top.hwnd, WM_APP + 8, 2, 0);
    EXPECT_EQ(top.calls, std::vector<std::wstring>{L"message " + std::to_wstring(WM_APP + 8) + L" 2"});
}
