#include "ui_toolkit/Menu.h"

#include "ui_toolkit/Toolkit.h"

#include <new>

namespace winui {

namespace {

// Slot k holds the item with id k + 1. GUI thread only, not locked.
std::vector<MenuItem*>& commandTable() {
    static std::vector<MenuItem*> table;
    return table;
}

// Takes an id for the item: the next new slot while 16-bit ids remain. Ids are not reused, so
// that a late command for a deleted item finds nothing; only once the 16-bit range that menu
// commands can carry is used up does a cleared slot serve again, since a larger id would
// arrive truncated and name some other item. 0 when every id is held by a live item.
uint32_t enterItem(MenuItem* item) {
    auto& table = commandTable();
    if (table.size() < kMaxCommandId) {
        try {
            table.push_back(item);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        return static_cast<uint32_t>(table.size());
    }
    for (size_t i = 0; i < kMaxCommandId; ++i) {
        if (!table[i]) {
            table[i] = item;
            return static_cast<uint32_t>(i + 1);
        }
    }
    return 0;
}

} // namespace

MenuItem::~MenuItem() {
    auto& table = commandTable();
    if (id != 0 && id <= table.size() && table[id - 1] == this)
        table[id - 1] = nullptr;
}

Menu::Menu() : handle(CreatePopupMenu()) {
    menuCommandRouter = &routeMenuCommand;
}

Menu::~Menu() {
    for (auto& item : items)
        item.reset();
    items.clear();
    if (handle)
        DestroyMenu(handle);
}

MenuItem* Menu::addItem(const std::wstring& text) {
    if (!handle)
        return nullptr;
    std::unique_ptr<MenuItem> item(new (std::nothrow) MenuItem);
    if (!item)
        return nullptr;
    try {
        item->text = text;
        items.reserve(items.size() + 1);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    item->menu = this;
    item->id = enterItem(item.get());
    if (item->id == 0)
        return nullptr;
    if (!AppendMenuW(handle, MF_STRING, item->id, item->text.c_str()))
        return nullptr; // the item's destructor clears its slot again
    items.push_back(std::move(item));
    return items.back().get();
}

MenuItem* itemForCommand(uint32_t id) {
    const auto& table = commandTable();
    if (id == 0 || id > table.size())
        return nullptr;
    return table[id - 1];
}

bool routeMenuCommand(uint16_t id) {
    MenuItem* item = itemForCommand(id);
    if (!item)
        return false;
    fireHandlers(item->clicked);
    return true;
}

std::size_t commandTableSize() {
    return commandTable().size();
}

bool shrinkCommandTable(std::size_t size) {
    auto& table = commandTable();
    for (std::size_t i = size; i < table.size(); ++i) {
        if (table[i])
            return false;
    }
    if (size < table.size())
        table.resize(size);
    return true;
}

} // namespace winui
