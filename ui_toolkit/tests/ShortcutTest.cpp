#include "core/app/MessageLoop.h"
#include "core/events/HandlerHolder.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

namespace {

struct PressCounter {
    void pressed() { ++count; }
    int count = 0;
    HandlerHolder holder;
};

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_.reset(new winui::Form(nullptr, 200, 100, 0));
        child_ = new ControlProbe(form_.get());
    }
    void TearDown() override { holdKeys({}); }

    std::unique_ptr<winui::Form> form_;
    ControlProbe* child_ = nullptr;
};

bool sawKey(const ControlProbe& probe) {
    for (const std::wstring& call : probe.calls) {
        if (call.rfind(L"keyDown", 0) == 0 || call.rfind(L"keyUp", 0) == 0)
            return true;
    }
    return false;
}

} // namespace

TEST_F(ShortcutTest, FormShortcutMatchesItsMaskWithCapsLockIgnored) {
    PressCounter counter;
    winui::Shortcut* ctrlC = form_->addShortcut('C', winui::ModCtrl);
    ASSERT_NE(ctrlC, nullptr);
    counter.holder.connect(ctrlC->pressed, &counter, &PressCounter::pressed);
    EXPECT_EQ(form_->findShortcut('C', winui::ModCtrl), ctrlC);
    EXPECT_EQ(form_->findShortcut('C', 0), nullptr);

    struct Case {
        std::vector<int> held;
        bool capsLock;
        bool matches;
    };
    const Case cases[] = {
        {{VK_CONTROL}, false, true},
        {{VK_CONTROL, VK_LCONTROL}, true, true}, // Caps Lock and the side are masked away
        {{VK_CONTROL, VK_SHIFT}, false, false},
        {{VK_CONTROL, VK_LWIN}, false, false},
        {{VK_CONTROL, VK_RWIN}, false, false},
        {{}, false, false},
    };
    for (const Case& c : cases) {
        counter.count = 0;
        child_->calls.clear();
        holdKeys(c.held, c.capsLock);
        SendMessageW(child_->hwnd, WM_KEYDOWN, 'C', 0);
        SendMessageW(child_->hwnd, WM_KEYUP, 'C', 0);
        // A match fires once and swallows both the key-down and the key-up.
        EXPECT_EQ(counter.count, c.matches ? 1 : 0) << c.held.size() << c.capsLock;
        EXPECT_EQ(sawKey(*child_), !c.matches) << c.held.size() << c.capsLock;
    }
}

TEST_F(ShortcutTest, SameKeyTwiceIsOneEntryWithBothConnections) {
    PressCounter first, second;
    winui::Shortcut* a = form_->addShortcut(VK_F2, 0);
    winui::Shortcut* b = form_->addShortcut(VK_F2, 0);
    ASSERT_EQ(a, b);
    first.holder.connect(a->pressed, &first, &PressCounter::pressed);
    second.holder.connect(b->pressed, &second, &PressCounter::pressed);
    holdKeys({});
    SendMessageW(child_->hwnd, WM_KEYDOWN, VK_F2, 0);
    EXPECT_EQ(first.count, 1);
    EXPECT_EQ(second.count, 1);
}

TEST_F(ShortcutTest, PostedKeyFiresTheFormShortcutThroughTheLoop) {
    PressCounter counter;
    counter.holder.connect(form_->addShortcut(VK_F3, 0)->pressed, &counter, &PressCounter::pressed);
    holdKeys({});
    PostMessageW(child_->hwnd, WM_KEYDOWN, VK_F3, 0);
    PostMessageW(child_->hwnd, WM_KEYUP, VK_F3, 0);
    PostQuitMessage(7);
    EXPECT_EQ(runMessageLoop(Application::instance()), 7);
    EXPECT_EQ(counter.count, 1);
    EXPECT_FALSE(sawKey(*child_));
}

TEST_F(ShortcutTest, ApplicationShortcutIsTakenBeforeAnyWindowSeesTheKey) {
    PressCounter counter;
    // The application set has no removal: a key that no other test uses.
    winui::Shortcut* global = Application::instance().shortcuts().add(VK_F11, winui::ModShift);
    ASSERT_NE(global, nullptr);
    counter.holder.connect(global->pressed, &counter, &PressCounter::pressed);
    std::vector<std::wstring> log;
    child_->sharedLog = &log;
    holdKeys({VK_SHIFT}, true);
    PostMessageW(child_->hwnd, WM_KEYDOWN, VK_F11, 0);
    PostMessageW(child_->hwnd, WM_KEYUP, VK_F11, 0);
    PostQuitMessage(0);
    EXPECT_EQ(runMessageLoop(Application::instance()), 0);
    EXPECT_EQ(counter.count, 1);
    // Not even the form's preview ran: the loop consumed both messages.
    EXPECT_TRUE(log.empty());

    // Without Shift the key is an ordinary key again.
    holdKeys({});
    PostMessageW(child_->hwnd, WM_KEYDOWN, VK_F11, 0);
    PostQuitMessage(0);
    runMessageLoop(Application::instance());
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(log, std::vector<std::wstring>{L": keyDown 122"});
}
