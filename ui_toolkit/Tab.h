#pragma once

#include "core/events/HandlerList.h"
#include "ui_toolkit/Control.h"

#include <cstdint>
#include <string>

namespace winui {

// One page of a TabControl: a hidden child of the tab control that the owner fills with the
// page's controls. Made by TabControl::addTab only, and deleted with the tab control.
class Tab : public Control {
public:
    explicit Tab(Control* tabControl);
    ~Tab() override;

    // Stores the title and shows it on the page's native tab.
    void setTitle(const std::wstring& newTitle);

    void eraseBackground(HDC dc, const Rect& clientRect) override;
    void onMouseDown(int32_t x, int32_t y, int32_t button) override;
    void onStyleChanged() override;

    // Fired on a left click on the page itself.
    HandlerList clicked;
    std::wstring title;
};

} // namespace winui
