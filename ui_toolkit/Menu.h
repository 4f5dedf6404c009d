#pragma once

#include "core/events/HandlerList.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace winui {

class Menu;

// One string item of a popup menu. Its id names it in the process-wide command table, so that
// a menu WM_COMMAND reaches the item without knowing which menu or window it came from.
class MenuItem {
public:
    MenuItem() = default;
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;
    // Clears the item's slot in the command table; the id stays taken.
    ~MenuItem();

    // 1-based position in the command table; 0 while the item is not entered.
    uint32_t id = 0;
    std::wstring text;
    Menu* menu = nullptr;
    // Fired without arguments when the item is chosen.
    HandlerList clicked;
};

// A native popup menu owning its items. Separators are appended by the owner directly on
// handle (AppendMenuW with MF_SEPARATOR) and have no item. Showing the menu is the owner's
// business.
class Menu {
public:
    Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;
    // Deletes the items, first to last, then destroys the native menu.
    ~Menu();

    // Creates the item, enters it in the command table and appends it to the native menu.
    // Null when memory ran out or the native menu refused the item; nothing is left behind then.
    MenuItem* addItem(const std::wstring& text);

    HMENU handle = nullptr;
    std::vector<std::unique_ptr<MenuItem>> items;
};

// The live item with the given command id; null for 0, for ids beyond the table and for
// deleted items.
MenuItem* itemForCommand(uint32_t id);

// Fires the clicked event of the item with the given id; false when no live item has it.
// Installed as menuCommandRouter (Toolkit.h) by the first Menu.
bool routeMenuCommand(uint16_t id);

// Number of slots in the command table (taken ids, live or deleted).
std::size_t commandTableSize();

// Gives back the ids above size, so that a run which used up the table (a test of its limit)
// leaves it as it found it. False, changing nothing, when a live item holds one of them.
bool shrinkCommandTable(std::size_t size);

// Menu WM_COMMANDs carry the id in 16 bits; ids above this could not reach their item.
constexpr uint32_t kMaxCommandId = 0xFFFF;

} // namespace winui
