#include "ui_toolkit/Form.h"

#include "core/app/MessageLoop.h"
#include "core/events/HandlerHolder.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

#include <memory>

using winui::Form;
using winui::Rect;

namespace {

class FormProbe : public Form {
public:
    FormProbe(winui::Control* parentControl, uint32_t flags = 0, int32_t width = 200, int32_t height = 100)
        : Form(parentControl, width, height, flags) {}

    void onRestored() override { calls.push_back(L"onRestored"); }
    void onMinimized() override { calls.push_back(L"onMinimized"); }
    void onMaximized() override { calls.push_back(L"onMaximized"); }
    void onEnterKey() override { calls.push_back(L"enter"); }
    void onEscapeKey() override { calls.push_back(L"escape"); }
    void onTimer(UINT_PTR timerId) override {
        if (onTimerHook)
            onTimerHook();
    }

    std::vector<std::wstring> calls;
    std::function<void()> onTimerHook;
};

// Counts the firings of the events it is connected to, each under its own name.
struct EventLog {
    explicit EventLog(std::vector<std::wstring>& target) : log(target) {}
    struct Entry {
        EventLog* owner;
        std::wstring name;
        HandlerHolder holder;
        void fired() { owner->log.push_back(name); }
    };
    void watch(HandlerList& event, const std::wstring& name) {
        entries.emplace_back(new Entry{this, name, {}});
        entries.back()->holder.connect(event, entries.back().get(), &Entry::fired);
    }
    std::vector<std::wstring>& log;
    std::vector<std::unique_ptr<Entry>> entries;
};

bool contains(const std::vector<std::wstring>& list, const std::wstring& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

class FormModalTest : public ::testing::Test {
protected:
    void TearDown() override {
        holdKeys({});
        EXPECT_TRUE(winui::modalForms.empty()) << "a test left a form on the modal stack";
        winui::modalForms.clear();
    }
};

} // namespace

TEST(FormTest, CreationFlagsShapeTheWindow) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        uint32_t flags;
        uint32_t styleBits; // ignoring WS_CLIPSIBLINGS, which the system adds to top-level windows
        const wchar_t* windowClass;
    };
    const Case cases[] = {
        {0, 0x02CF0000, winui::windowClass},
        {winui::FormPopup, 0x82CF0000, winui::windowClass},
        // The system gives every overlapped window a caption, so the flag shows on popups.
        {winui::FormPopup | winui::FormNoCaption, 0x820F0000, winui::windowClass},
        {winui::FormMain, 0x02CF0000, winui::mainWindowClass},
        {winui::FormCentered, 0x02CF0000, winui::windowClass},
    };
    for (const Case& c : cases) {
        FormProbe form(nullptr, c.flags, 200, 100);
        ASSERT_NE(form.hwnd, nullptr);
        const auto windowStyle = static_cast<uint32_t>(GetWindowLongW(form.hwnd, GWL_STYLE));
        EXPECT_EQ(windowStyle & ~static_cast<uint32_t>(WS_CLIPSIBLINGS), c.styleBits) << c.flags;
        EXPECT_EQ(className(form.hwnd), c.windowClass);
        EXPECT_FALSE(IsWindowVisible(form.hwnd));
        EXPECT_EQ(form.clientRect(), Rect(0, 0, 200, 100)) << c.flags;
        EXPECT_EQ(form.isMainForm, (c.flags & winui::FormMain) != 0);
        const Rect b = form.bounds();
        if (c.flags & winui::FormCentered) {
            EXPECT_EQ(b, winui::centerRect(Rect(0, 0, screenWidth, screenHeight),
                                           Rect(0, 0, b.width(), b.height())));
        } else {
            EXPECT_EQ(b.left, 0);
            EXPECT_EQ(b.top, 0);
        }
    }
    // An empty client area gives the parked placeholder window (the system widens a captioned
    // window to its minimum tracking width).
    FormProbe empty(nullptr, 0, 0, 100);
    const Rect parked = empty.bounds();
    EXPECT_EQ(parked.left, -50);
    EXPECT_EQ(parked.top, -50);
    EXPECT_EQ(parked.height(), 30);
}

TEST(FormTest, ResizeMoveAndVisibilityFireTheEvents) {
    FormProbe form(nullptr);
    std::vector<std::wstring> log;
    EventLog events(log);
    events.watch(form.moved, L"moved");
    events.watch(form.resized, L"resized");
    events.watch(form.shown, L"shown");
    events.watch(form.hidden, L"hidden");
    events.watch(form.restored, L"restored");
    events.watch(form.minimized, L"minimized");
    events.watch(form.maximized, L"maximized");

    SetWindowPos(form.hwnd, nullptr, 0, 0, 300, 250, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    // An ordinary resize is a "restored" size message as well.
    EXPECT_TRUE(contains(log, L"resized"));
    EXPECT_TRUE(contains(log, L"restored"));
    EXPECT_FALSE(contains(log, L"moved"));
    EXPECT_EQ(form.calls, std::vector<std::wstring>{L"onRestored"});

    log.clear();
    SetWindowPos(form.hwnd, nullptr, 40, 30, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(log, std::vector<std::wstring>{L"moved"});

    log.clear();
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    EXPECT_TRUE(contains(log, L"shown"));
    log.clear();
    ShowWindow(form.hwnd, SW_HIDE);
    EXPECT_TRUE(contains(log, L"hidden"));

    log.clear();
    form.calls.clear();
    SendMessageW(form.hwnd, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(300, 250));
    SendMessageW(form.hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"maximized", L"minimized"}));
    EXPECT_EQ(form.calls, (std::vector<std::wstring>{L"onMaximized", L"onMinimized"}));
}

TEST(FormTest, ClientSizeGrowsAroundTheCentreAndSurvivesDroppingTheBoxes) {
    FormProbe form(nullptr);
    SetWindowPos(form.hwnd, nullptr, 100, 100, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    const Rect before = form.bounds();
    form.setClientSize(Rect(0, 0, 240, 140));
    EXPECT_EQ(form.clientRect(), Rect(0, 0, 240, 140));
    const Rect after = form.bounds();
    EXPECT_EQ(after.left + after.right, before.left + before.right);
    EXPECT_EQ(after.top + after.bottom, before.top + before.bottom);

    form.removeMinMaxBoxes();
    EXPECT_EQ(GetWindowLongW(form.hwnd, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(form.clientRect(), Rect(0, 0, 240, 140));
}

TEST(FormTest, ClosingTheMainFormEndsTheLoopAndOtherFormsDoNot) {
    {
        auto dialog = std::make_unique<FormProbe>(nullptr);
        SendMessageW(dialog->hwnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(dialog->hwnd, nullptr);
        MSG msg;
        EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
    auto main = std::make_unique<FormProbe>(nullptr, winui::FormMain);
    ShowWindow(main->hwnd, SW_SHOWNORMAL);
    PostMessageW(main->hwnd, WM_CLOSE, 0, 0);
    // A stray quit would make the loop return at once; the loop must end through the close.
    EXPECT_EQ(runMessageLoop(Application::instance()), 0);
    EXPECT_EQ(main->hwnd, nullptr);
}

TEST_F(FormModalTest, ModalFormTakesActivationUntilATimerHidesIt) {
    FormProbe owner(nullptr);
    ShowWindow(owner.hwnd, SW_SHOWNORMAL);
    auto* dialog = new FormProbe(&owner);
    dialog->showModal();
    ASSERT_EQ(winui::topModalForm(), dialog);
    EXPECT_TRUE(IsWindowVisible(dialog->hwnd));
    EXPECT_EQ(GetWindow(dialog->hwnd, GW_OWNER), owner.hwnd);

    // Activating the owner activates the modal form instead.
    SetActiveWindow(owner.hwnd);
    EXPECT_EQ(GetActiveWindow(), dialog->hwnd);
    // Keys of the owner's controls are previewed by the owner, those inside the form by it.
    auto* ownerChild = new ControlProbe(&owner);
    auto* dialogChild = new ControlProbe(dialog);
    EXPECT_EQ(ownerChild->keyTarget(), &owner);
    EXPECT_EQ(dialogChild->keyTarget(), dialog);

    dialog->onTimerHook = [dialog] {
        KillTimer(dialog->hwnd, 1);
        ShowWindow(dialog->hwnd, SW_HIDE);
    };
    SetTimer(dialog->hwnd, 1, 50, nullptr);
    ASSERT_TRUE(pumpUntil([] { return winui::modalForms.empty(); }));
    EXPECT_FALSE(IsWindowVisible(dialog->hwnd));
    EXPECT_EQ(GetActiveWindow(), owner.hwnd);
    // Once the stack is empty the owner can be activated again.
    SetActiveWindow(owner.hwnd);
    EXPECT_EQ(GetActiveWindow(), owner.hwnd);
}

TEST_F(FormModalTest, DeactivatingAMinimisedWindowIsNoActivation) {
    struct ActivationProbe : FormProbe {
        using FormProbe::FormProbe;
        void onActivated() override { calls.push_back(L"activated"); }
        void onDeactivated() override { calls.push_back(L"deactivated"); }
    };
    ActivationProbe owner(nullptr);
    ShowWindow(owner.hwnd, SW_SHOWNORMAL);
    auto* dialog = new FormProbe(&owner);
    dialog->showModal();
    // A window of another kind, which the modal form does not claim, is the active one.
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SetActiveWindow(other);
    ASSERT_EQ(GetActiveWindow(), other);
    owner.calls.clear();

    // The high word only says that the window is minimised.
    struct Case {
        WPARAM wParam;
        const wchar_t* call;
    } const cases[] = {
        {MAKEWPARAM(WA_INACTIVE, 0), L"deactivated"},
        {MAKEWPARAM(WA_INACTIVE, 1), L"deactivated"},
    };
    for (const Case& c : cases) {
        SendMessageW(owner.hwnd, WM_ACTIVATE, c.wParam, reinterpret_cast<LPARAM>(other));
        EXPECT_EQ(owner.calls, std::vector<std::wstring>{c.call}) << c.wParam;
        EXPECT_EQ(GetActiveWindow(), other) << c.wParam;
        owner.calls.clear();
    }
    DestroyWindow(other);
    ShowWindow(dialog->hwnd, SW_HIDE);
    delete dialog;
}

TEST_F(FormModalTest, HidingTheTopGivesTheFocusToTheFormBelow) {
    FormProbe owner(nullptr);
    ShowWindow(owner.hwnd, SW_SHOWNORMAL);
    auto* first = new FormProbe(&owner);
    first->showModal();
    auto* second = new FormProbe(first);
    second->showModal();
    ASSERT_EQ(winui::modalForms.size(), 2u);
    ShowWindow(second->hwnd, SW_HIDE);
    ASSERT_EQ(winui::topModalForm(), first);
    EXPECT_EQ(GetActiveWindow(), first->hwnd);
    EXPECT_EQ(GetFocus(), first->hwnd);
    ShowWindow(first->hwnd, SW_HIDE);
}

TEST_F(FormModalTest, StackNeverHoldsAFormTwiceNorAGoneOne) {
    FormProbe owner(nullptr);
    ShowWindow(owner.hwnd, SW_SHOWNORMAL);
    auto* first = new FormProbe(&owner);
    auto* second = new FormProbe(&owner);
    first->showModal();
    first->showModal(); // shown modally again while it is modal
    EXPECT_EQ(winui::modalForms.size(), 1u);
    second->showModal();
    first->showModal(); // moves to the top
    ASSERT_EQ(winui::modalForms.size(), 2u);
    EXPECT_EQ(winui::topModalForm(), first);

    // Destroying the window of a form below the top takes it off the stack...
    DestroyWindow(second->hwnd);
    EXPECT_EQ(winui::modalForms, std::vector<Form*>{first});
    // ...and so does deleting a form, wherever it stands.
    auto* third = new FormProbe(&owner);
    third->showModal();
    first->showModal();
    delete third;
    EXPECT_EQ(winui::modalForms, std::vector<Form*>{first});
    delete first;
    EXPECT_TRUE(winui::modalForms.empty());
    // With the stack empty the owner activates normally.
    SetActiveWindow(owner.hwnd);
    EXPECT_EQ(GetActiveWindow(), owner.hwnd);
}

TEST_F(FormModalTest, ReturnAndEscapeReachOnlyTheTopModalForm) {
    FormProbe owner(nullptr);
    ShowWindow(owner.hwnd, SW_SHOWNORMAL);
    auto* dialog = new FormProbe(&owner);
    auto* edit = new ControlProbe(dialog, L"EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    auto* memo = new ControlProbe(dialog, L"EDIT",
                                  WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN);
    dialog->showModal();
    SetFocus(edit->hwnd);
    ASSERT_EQ(GetFocus(), edit->hwnd);

    edit->calls.clear();
    dialog->calls.clear();
    SendMessageW(edit->hwnd, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(edit->hwnd, WM_KEYUP, VK_RETURN, 0);
    // Once, for the key-down, and the edit still gets the key.
    EXPECT_EQ(dialog->calls, (std::vector<std::wstring>{L"enter"}));
    EXPECT_TRUE(contains(edit->calls, L"keyDown 13"));
    EXPECT_TRUE(contains(edit->calls, L"keyUp 13"));
    // A release whose press went to another window answers nothing.
    dialog->calls.clear();
    SendMessageW(edit->hwnd, WM_KEYUP, VK_RETURN, 0);
    SendMessageW(edit->hwnd, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_TRUE(dialog->calls.empty());

    struct Case {
        std::vector<int> held;
        int key;
        HWND focus;
    };
    const Case nothing[] = {
        {{VK_CONTROL}, VK_RETURN, edit->hwnd},
        {{VK_SHIFT}, VK_ESCAPE, edit->hwnd},
        {{}, VK_RETURN, memo->hwnd}, // a multi-line edit that wants Return keeps it
    };
    for (const Case& c : nothing) {
        dialog->calls.clear();
        holdKeys(c.held);
        SetFocus(c.focus);
        SendMessageW(c.focus, WM_KEYDOWN, c.key, 0);
        EXPECT_TRUE(dialog->calls.empty()) << c.key;
    }
    holdKeys({});
    dialog->calls.clear();
    SendMessageW(edit->hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(dialog->calls, std::vector<std::wstring>{L"escape"});

    // A form that is not the top of the stack never gets them.
    auto* other = new FormProbe(&owner);
    auto* otherEdit = new ControlProbe(other, L"EDIT", WS_CHILD | WS_VISIBLE);
    dialog->calls.clear();
    SendMessageW(otherEdit->hwnd, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(otherEdit->hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(other->calls.empty());
    EXPECT_TRUE(dialog->calls.empty());
    ShowWindow(dialog->hwnd, SW_HIDE);
}

TEST_F(FormModalTest, ToolProgramsOnlyStackTheModalForm) {
    struct Restore {
        ~Restore() { winui::programBuild = winui::ProgramBuild::Viewer; }
    } restore;
    winui::programBuild = winui::ProgramBuild::Tool;
    FormProbe owner(nullptr);
    auto* dialog = new FormProbe(&owner);
    dialog->showModal();
    EXPECT_EQ(winui::topModalForm(), dialog);
    EXPECT_FALSE(IsWindowVisible(dialog->hwnd)); // the caller shows it
    ShowWindow(dialog->hwnd, SW_SHOWNORMAL);
    ShowWindow(dialog->hwnd, SW_HIDE);
    EXPECT_TRUE(winui::modalForms.empty());
}

// An owned dialog stands on the screen, not in its owner's client area: growing it around its
// centre or dropping its boxes leaves it where it was.
TEST(FormPlacementTest, AnOwnedDialogKeepsItsPlaceWhenResizedOrStripped) {
    Form owner(nullptr, 400, 300, 0);
    SetWindowPos(owner.hwnd, nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(owner.hwnd, SW_SHOWNORMAL);
    Form dialog(&owner, 200, 100, 0);
    SetWindowPos(dialog.hwnd, nullptr, 500, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(dialog.hwnd, SW_SHOWNORMAL);
    const auto screenPlace = [&] {
        RECT r = {};
        GetWindowRect(dialog.hwnd, &r);
        return winui::Rect(r.left, r.top, r.right, r.bottom);
    };
    const winui::Rect before = screenPlace();
    EXPECT_EQ(dialog.bounds(), before);

    dialog.removeMinMaxBoxes();
    EXPECT_EQ(screenPlace(), before);
    const winui::Rect client = dialog.clientRect();
    dialog.setClientSize(winui::Rect(0, 0, client.width() + 40, client.height() + 20));
    const winui::Rect grown = screenPlace();
    EXPECT_EQ(grown.width(), before.width() + 40);
    EXPECT_EQ(grown.left, before.left - 20);
    EXPECT_EQ(grown.top, before.top - 10);
    ShowWindow(dialog.hwnd, SW_HIDE);
}
