#include "ui_toolkit/Menu.h"

#include "core/events/HandlerHolder.h"
#include "ui_toolkit/Toolkit.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using winui::Menu;
using winui::MenuItem;

namespace {

// Counts the clicks it receives through a holder, as an owner of menu items would.
struct ClickCounter {
    void onClicked() { ++clicks; }
    int clicks = 0;
    HandlerHolder holder;
};

std::wstring nativeText(HMENU menu, UINT position) {
    wchar_t buffer[64] = {};
    GetMenuStringW(menu, position, buffer, 64, MF_BYPOSITION);
    return buffer;
}

// The table is process-wide, so every expectation is relative to its size when a test starts.
TEST(MenuTest, IdsFollowTheGlobalTableAcrossMenusAndAreNeverReused) {
    const uint32_t base = static_cast<uint32_t>(winui::commandTableSize());
    auto first = std::make_unique<Menu>();
    Menu second;
    MenuItem* a = first->addItem(L"Copy");
    MenuItem* b = second.addItem(L"Paste");
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(base + 1, a->id);
    EXPECT_EQ(base + 2, b->id);
    EXPECT_EQ(first.get(), a->menu);
    EXPECT_EQ(&second, b->menu);
    EXPECT_EQ(a, winui::itemForCommand(base + 1));
    EXPECT_EQ(b, winui::itemForCommand(base + 2));

    first.reset();
    EXPECT_EQ(nullptr, winui::itemForCommand(base + 1));
    EXPECT_EQ(b, winui::itemForCommand(base + 2));

    Menu third;
    MenuItem* c = third.addItem(L"Cut");
    MenuItem* d = third.addItem(L"Delete");
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(base + 3, c->id);
    EXPECT_EQ(base + 4, d->id);
    EXPECT_EQ(nullptr, winui::itemForCommand(base + 1));
    EXPECT_EQ(nullptr, winui::itemForCommand(0));
    EXPECT_EQ(nullptr, winui::itemForCommand(base + 5));
    EXPECT_EQ(nullptr, winui::itemForCommand(0xFFFFFFFFu));
}

TEST(MenuTest, NativeMenuHoldsItemsAndOwnerSeparatorsInOrder) {
    Menu menu;
    ASSERT_TRUE(IsMenu(menu.handle));
    MenuItem* open = menu.addItem(L"Open\tCtrl+O");
    AppendMenuW(menu.handle, MF_SEPARATOR, 0, nullptr);
    MenuItem* close = menu.addItem(L"Close");
    ASSERT_NE(nullptr, close);
    ASSERT_EQ(2u, menu.items.size());
    EXPECT_EQ(open, menu.items[0].get());
    EXPECT_EQ(close, menu.items[1].get());
    EXPECT_EQ(L"Open\tCtrl+O", open->text);

    ASSERT_EQ(3, GetMenuItemCount(menu.handle));
    EXPECT_EQ(open->id, GetMenuItemID(menu.handle, 0));
    EXPECT_EQ(close->id, GetMenuItemID(menu.handle, 2));
    EXPECT_EQ(L"Open\tCtrl+O", nativeText(menu.handle, 0));
    EXPECT_EQ(L"Close", nativeText(menu.handle, 2));
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(menu.handle, 1, TRUE, &info));
    EXPECT_TRUE(info.fType & MFT_SEPARATOR);
}

TEST(MenuTest, DestroyingTheMenuDestroysTheNativeMenu) {
    HMENU handle;
    {
        Menu menu;
        menu.addItem(L"One");
        handle = menu.handle;
        ASSERT_TRUE(IsMenu(handle));
    }
    EXPECT_FALSE(IsMenu(handle));
}

TEST(MenuRoutingTest, MenuCommandReachesTheItemThroughAnyWindow) {
    Menu menu;
    MenuItem* item = menu.addItem(L"Find");
    MenuItem* other = menu.addItem(L"Replace");
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(&winui::routeMenuCommand, winui::menuCommandRouter);
    ClickCounter counter;
    ClickCounter otherCounter;
    ASSERT_TRUE(counter.holder.connect(item->clicked, &counter, &ClickCounter::onClicked));
    ASSERT_TRUE(otherCounter.holder.connect(other->clicked, &otherCounter, &ClickCounter::onClicked));

    ControlProbe window;
    ASSERT_NE(nullptr, window.hwnd);
    SendMessageW(window.hwnd, WM_COMMAND, MAKEWPARAM(item->id, 0), 0);
    EXPECT_EQ(1, counter.clicks);
    EXPECT_EQ(0, otherCounter.clicks);

    SendMessageW(window.hwnd, WM_COMMAND, MAKEWPARAM(other->id, 0), 0);
    EXPECT_EQ(1, otherCounter.clicks);
    // An accelerator's command (1 in the high word) is no menu click.
    SendMessageW(window.hwnd, WM_COMMAND, MAKEWPARAM(other->id, 1), 0);
    EXPECT_EQ(1, otherCounter.clicks);

    // Id 0, an id beyond the table and the id of a deleted item fire nothing.
    const uint32_t beyond = static_cast<uint32_t>(winui::commandTableSize()) + 1;
    EXPECT_FALSE(winui::routeMenuCommand(0));
    EXPECT_FALSE(winui::routeMenuCommand(static_cast<uint16_t>(beyond)));
    SendMessageW(window.hwnd, WM_COMMAND, MAKEWPARAM(0, 0), 0);
    SendMessageW(window.hwnd, WM_COMMAND, MAKEWPARAM(beyond, 0), 0);
    uint32_t deletedId;
    {
        Menu gone;
        MenuItem* doomed = gone.addItem(L"Gone");
        ASSERT_TRUE(counter.holder.connect(doomed->clicked, &counter, &ClickCounter::onClicked));
        deletedId = doomed->id;
    }
    EXPECT_FALSE(winui::routeMenuCommand(static_cast<uint16_t>(deletedId)));
    SendMessageW(window.hwnd, WM_COMMAND, MAKEWPARAM(deletedId, 0), 0);
    EXPECT_EQ(1, counter.clicks);
    EXPECT_EQ(1, otherCounter.clicks);
}

// The shown menu is modal; a timer served by its own loop chooses the second item, so the
// WM_COMMAND comes from the platform itself.
HWND menuOwner = nullptr;
int menuTicks = 0;

void CALLBACK chooseFromMenu(HWND, UINT, UINT_PTR, DWORD) {
    ++menuTicks;
    if (menuTicks == 1) {
        // Keys go to the menu's own loop: down twice reaches the second item.
        PostMessageW(menuOwner, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menuOwner, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menuOwner, WM_KEYDOWN, VK_RETURN, 0);
    } else {
        EndMenu();
    }
}

TEST(MenuRoutingTest, ShownMenuClosesAndRoutesTheChosenItem) {
    ControlProbe window;
    ASSERT_NE(nullptr, window.hwnd);
    ShowWindow(window.hwnd, SW_SHOW);
    SetForegroundWindow(window.hwnd);
    Menu menu;
    MenuItem* first = menu.addItem(L"First");
    MenuItem* second = menu.addItem(L"Second");
    ClickCounter firstCounter;
    ClickCounter secondCounter;
    firstCounter.holder.connect(first->clicked, &firstCounter, &ClickCounter::onClicked);
    secondCounter.holder.connect(second->clicked, &secondCounter, &ClickCounter::onClicked);

    menuOwner = window.hwnd;
    menuTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, chooseFromMenu);
    TrackPopupMenu(menu.handle, TPM_LEFTALIGN | TPM_TOPALIGN, 10, 10, 0, window.hwnd, nullptr);
    KillTimer(nullptr, timer);
    // The platform posts the chosen command; let it arrive.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);

    EXPECT_EQ(0, firstCounter.clicks);
    // Under a desktop without keyboard focus the keys may not reach the menu, and then the
    // timer closes it with nothing chosen; what must never happen is the wrong item firing.
    if (secondCounter.clicks == 0)
        GTEST_SKIP() << "the menu did not take the keys; it was closed without a choice";
    EXPECT_EQ(1, secondCounter.clicks);
}

} // namespace

namespace {

// Uses up the 16-bit ids; the table is given back at the end, so that the tests after it, in
// whatever order they run, find it as it was.
TEST(MenuTableExhaustionTest, OnceSixteenBitIdsRunOutClearedSlotsServeAgain) {
    const size_t sizeBefore = winui::commandTableSize();
    struct GiveBack {
        size_t size;
        ~GiveBack() { EXPECT_TRUE(winui::shrinkCommandTable(size)); }
    } giveBack{sizeBefore};
    ControlProbe window;
    ASSERT_NE(nullptr, window.hwnd);
    std::vector<std::unique_ptr<Menu>> menus;
    while (winui::commandTableSize() < winui::kMaxCommandId) {
        menus.push_back(std::make_unique<Menu>());
        for (int i = 0; i < 200 && winui::commandTableSize() < winui::kMaxCommandId; ++i)
            ASSERT_NE(nullptr, menus.back()->addItem(L"filler"));
    }
    menus[1].reset();
    // The slots of items deleted so far, by earlier tests as well.
    size_t freeSlots = 0;
    for (uint32_t id = 1; id <= winui::kMaxCommandId; ++id)
        freeSlots += winui::itemForCommand(id) == nullptr;
    ASSERT_GE(freeSlots, 200u);

    // No id above 0xFFFF, which a menu command would deliver truncated to another item's.
    Menu menu;
    MenuItem* reused = menu.addItem(L"Reused");
    ASSERT_NE(nullptr, reused);
    const uint32_t freedId = reused->id;
    EXPECT_GE(freedId, 1u);
    EXPECT_LE(freedId, winui::kMaxCommandId);
    EXPECT_EQ(winui::kMaxCommandId, winui::commandTableSize());
    EXPECT_EQ(reused, winui::itemForCommand(freedId));
    ClickCounter counter;
    counter.holder.connect(reused->clicked, &counter, &ClickCounter::onClicked);
    SendMessageW(window.hwnd, WM_COMMAND, MAKEWPARAM(reused->id, 0), 0);
    EXPECT_EQ(1, counter.clicks);

    // With every id held by a live item, no item is made rather than one nothing can reach.
    Menu full;
    std::vector<MenuItem*> taken;
    while (MenuItem* item = full.addItem(L"more"))
        taken.push_back(item);
    EXPECT_EQ(freeSlots - 1, taken.size());
    EXPECT_EQ(winui::kMaxCommandId, winui::commandTableSize());
    EXPECT_EQ(static_cast<int>(taken.size()), GetMenuItemCount(full.handle));

    // The older item of a reused slot going away leaves the newer one's entry alone.
    menus.clear();
    EXPECT_EQ(reused, winui::itemForCommand(freedId));
}

} // namespace
