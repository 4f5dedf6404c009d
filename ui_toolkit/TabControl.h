#pragma once

#include "core/events/HandlerList.h"
#include "ui_toolkit/Control.h"
#include "ui_toolkit/Tab.h"

#include <cstdint>
#include <vector>

namespace winui {

// The native tab strip with one page per tab; only the selected page is shown. Painted from
// the style's "TabControlBox", "Tab" and "TabSelected" elements when the style gives "Tab".
// Pages are added, never removed one by one; they go with the tab control.
class TabControl : public Control {
public:
    explicit TabControl(Control* parent);
    ~TabControl() override;

    // Adds a tab titled "Tab<index>" and its hidden page; the first page is selected and
    // shown. Null when the page cannot be made. The owner names the page with setTitle.
    Tab* addTab();
    // The page's index in tabs, or -1.
    int32_t indexOf(const Tab* page) const;
    // Moves the page to the display area of the strip.
    void placePage(int32_t index);
    // The page of the native selection, or null.
    Tab* selectedTab() const;
    void selectTab(Tab* page);

    void onNotify(NMHDR* header) override;
    void onResized() override;
    void paint(Canvas& canvas, const Rect& updateRect) override;
    void onStyleChanged() override;

    // Fired after the user has switched to another tab and its page is shown.
    HandlerList selectionChanged;
    // In insertion order; the children set owns them.
    std::vector<Tab*> tabs;
};

} // namespace winui
