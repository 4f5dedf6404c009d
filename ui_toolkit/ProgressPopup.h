#pragma once

#include "ui_toolkit/Control.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/ProgressBar.h"

#include <cstdint>

namespace winui {

// A small popup, centred on its owner and created hidden, with a line of text over a progress
// bar. Its owner shows it while a background job runs, sets the label and the bar's position
// as the job reports, and hides it when the job ends; it goes with the owner. Starting timer
// 200 on its window gives a delayed appearance: the popup shows itself when the timer fires.
class ProgressPopup : public Control {
public:
    static constexpr UINT_PTR kShowTimer = 200;

    explicit ProgressPopup(Control* owner);

    void onTimer(UINT_PTR timerId) override;
    void eraseBackground(HDC dc, const Rect& clientRect) override;
    void onStyleChanged() override;

    // Children of the popup, which deletes them. The label is centred and shows '&' as it is.
    Label* label = nullptr;
    ProgressBar* bar = nullptr;
};

} // namespace winui
