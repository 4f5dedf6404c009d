#include "core/app/Application.h"
#include "core/app/MessageLoop.h"
#include "core/app/Shortcut.h"
#include "core/events/HandlerHolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

// Sets the calling thread's keyboard state: the given keys held, Caps Lock toggled or not.
void holdKeys(const std::vector<int>& keys, bool capsLock = false) {
    BYTE state[256] = {};
    for (int key : keys)
        state[key] = 0x80;
    if (capsLock)
        state[VK_CAPITAL] = 0x01;
    SetKeyboardState(state);
}

struct Counter {
    void onPressed() { ++count; }
    int count = 0;
    HandlerHolder holder;
};

MSG keyMessage(UINT message, WPARAM key) {
    MSG msg = {};
    msg.message = message;
    msg.wParam = key;
    return msg;
}

class MessageLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        SystemFolders folders;
        folders.executablePath = L"E:\\portable\\Varnel.exe";
        application_.reset(new Application(folders));
    }
    void TearDown() override { holdKeys({}); }

    std::unique_ptr<Application> application_;
};

// The keys that reach a window, as (message, key) pairs.
std::vector<std::pair<UINT, WPARAM>>* receivedKeys = nullptr;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (receivedKeys && (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
                         message == WM_SYSKEYUP))
        receivedKeys->emplace_back(message, wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

// Ends a loop that would otherwise never see its quit message (exit code 99), so that a fault
// fails the test instead of hanging it.
class LoopWatchdog {
public:
    LoopWatchdog() : thread_(GetCurrentThreadId()), done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        watcher_ = std::thread([this] {
            if (WaitForSingleObject(done_, 10000) == WAIT_TIMEOUT)
                PostThreadMessageW(thread_, WM_QUIT, 99, 0);
        });
    }
    ~LoopWatchdog() {
        SetEvent(done_);
        watcher_.join();
        CloseHandle(done_);
    }

private:
    DWORD thread_;
    HANDLE done_;
    std::thread watcher_;
};

} // namespace

TEST(ShortcutTableTest, OneEntryPerKeyAndMask) {
    winui::ShortcutTable table;
    winui::Shortcut* ctrlC = table.add('C', 2);
    ASSERT_NE(ctrlC, nullptr);
    EXPECT_EQ(table.add('C', 2), ctrlC);
    winui::Shortcut* shiftCtrlC = table.add('C', 3);
    ASSERT_NE(shiftCtrlC, nullptr);
    EXPECT_NE(shiftCtrlC, ctrlC);
    EXPECT_EQ(table.find('C', 2), ctrlC);
    EXPECT_EQ(table.find('C', 3), shiftCtrlC);
    EXPECT_EQ(table.find('C', 0), nullptr);
    EXPECT_EQ(table.find('D', 2), nullptr);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(ctrlC->key, 'C');
    EXPECT_EQ(ctrlC->modifiers, 2);
}

TEST_F(MessageLoopTest, ModifierMaskKeepsOnlyShiftCtrlAltAndTheWindowsKeys) {
    struct Case {
        std::vector<int> keys;
        bool capsLock;
        uint16_t expected;
    };
    const Case cases[] = {
        {{}, false, 0},
        {{}, true, 0},
        {{VK_CONTROL, VK_RCONTROL}, false, 0x0002},
        {{VK_CONTROL, VK_LCONTROL}, true, 0x0002},
        {{VK_SHIFT, VK_LSHIFT, VK_MENU, VK_RMENU}, false, 0x0005},
        {{VK_LWIN}, false, 0x0400},
        {{VK_RWIN, VK_CONTROL}, false, 0x0802},
    };
    for (const Case& c : cases) {
        holdKeys(c.keys, c.capsLock);
        EXPECT_EQ(currentShortcutModifiers(), c.expected);
    }
}

TEST_F(MessageLoopTest, MatchingKeysAreConsumedAndFireOnKeyDownOnly) {
    Counter ctrlC, altX;
    ctrlC.holder.connect(application_->shortcuts().add('C', 2)->pressed, &ctrlC, &Counter::onPressed);
    altX.holder.connect(application_->shortcuts().add('X', 4)->pressed, &altX, &Counter::onPressed);

    struct Case {
        std::vector<int> keys;
        bool capsLock;
        UINT down, up;
        WPARAM key;
        bool matches;
        Counter* counter;
    };
    const Case cases[] = {
        {{VK_CONTROL, VK_LCONTROL}, false, WM_KEYDOWN, WM_KEYUP, 'C', true, &ctrlC},
        {{VK_CONTROL, VK_RCONTROL}, true, WM_KEYDOWN, WM_KEYUP, 'C', true, &ctrlC},
        {{VK_CONTROL, VK_SHIFT}, false, WM_KEYDOWN, WM_KEYUP, 'C', false, &ctrlC},
        {{VK_CONTROL, VK_LWIN}, false, WM_KEYDOWN, WM_KEYUP, 'C', false, &ctrlC},
        {{}, true, WM_KEYDOWN, WM_KEYUP, 'C', false, &ctrlC},
        {{VK_CONTROL}, false, WM_KEYDOWN, WM_KEYUP, 'D', false, &ctrlC},
        {{VK_MENU, VK_LMENU}, false, WM_SYSKEYDOWN, WM_SYSKEYUP, 'X', true, &altX},
    };
    for (const Case& c : cases) {
        holdKeys(c.keys, c.capsLock);
        const int before = c.counter->count;
        EXPECT_EQ(filterShortcutKey(keyMessage(c.down, c.key), *application_), c.matches);
        EXPECT_EQ(c.counter->count, before + (c.matches ? 1 : 0));
        EXPECT_EQ(filterShortcutKey(keyMessage(c.up, c.key), *application_), c.matches);
        EXPECT_EQ(c.counter->count, before + (c.matches ? 1 : 0));
    }

    // Only key messages are looked at.
    holdKeys({VK_CONTROL});
    EXPECT_FALSE(filterShortcutKey(keyMessage(WM_CHAR, 'C'), *application_));
    EXPECT_FALSE(filterShortcutKey(keyMessage(WM_COMMAND, 'C'), *application_));
    EXPECT_EQ(ctrlC.count, 2);
}

TEST_F(MessageLoopTest, LoopFiltersShortcutsDispatchesTheRestAndReturnsTheQuitCode) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = recordingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MessageLoopTestWindow";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0,
                                        HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    Counter ctrlC;
    ctrlC.holder.connect(application_->shortcuts().add('C', 2)->pressed, &ctrlC, &Counter::onPressed);
    std::vector<std::pair<UINT, WPARAM>> received;
    receivedKeys = &received;

    LoopWatchdog watchdog;
    holdKeys({VK_CONTROL, VK_LCONTROL}, true);
    PostMessageW(window, WM_KEYDOWN, 'C', 1);
    PostMessageW(window, WM_KEYUP, 'C', 0xC0000001);
    PostMessageW(window, WM_KEYDOWN, 'D', 1);
    PostMessageW(window, WM_KEYUP, 'D', 0xC0000001);
    PostQuitMessage(7);
    EXPECT_EQ(runMessageLoop(*application_), 7);

    receivedKeys = nullptr;
    const std::vector<std::pair<UINT, WPARAM>> expected = {{WM_KEYDOWN, 'D'}, {WM_KEYUP, 'D'}};
    EXPECT_EQ(received, expected);
    EXPECT_EQ(ctrlC.count, 1);

    // With no application shortcuts every key goes through.
    Application plain(SystemFolders{});
    received.clear();
    receivedKeys = &received;
    PostMessageW(window, WM_KEYDOWN, 'C', 1);
    PostQuitMessage(0);
    EXPECT_EQ(runMessageLoop(plain), 0);
    receivedKeys = nullptr;
    EXPECT_EQ(received.size(), 1u);

    DestroyWindow(window);
    UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
}
