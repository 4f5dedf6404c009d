#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace winui {

// The elements of a style in their fixed order: X(identifier, name). The names are those that
// style files give, spelled exactly as the files spell them; the identifiers are spelled
// plainly.
#define WINUI_STYLE_ELEMENTS(X) \
    X(Window, L"Window") \
    X(WindowInactive, L"WindowInactive") \
    X(ToolWindow, L"ToolWindow") \
    X(ToolWindowInactive, L"ToolWindowInactive") \
    X(Button, L"Button") \
    X(ButtonHighlighted, L"ButtonHighlighted") \
    X(ButtonPressed, L"ButtonPressed") \
    X(ButtonDisabled, L"ButtonDisabled") \
    X(ButtonDefault, L"ButtonDefault") \
    X(ButtonFocused, L"ButtonFocused") \
    X(CheckBox, L"CheckBox") \
    X(CheckBoxHighlighted, L"CheckBoxHighlighted") \
    X(CheckBoxPressed, L"CheckBoxPressed") \
    X(CheckBoxDisabled, L"CheckBoxDisabled") \
    X(CheckBoxChecked, L"CheckBoxChecked") \
    X(CheckBoxCheckedHighlighted, L"CheckBoxCheckedHighlighted") \
    X(CheckBoxCheckedPressed, L"CheckBoxCheckedPressed") \
    X(CheckBoxCheckedDisabled, L"CheckBoxCheckedDisabled") \
    X(CheckBoxGrayed, L"CheckBoxGrayed") \
    X(CheckBoxGrayedHighlighted, L"CheckBoxGrayedHighlighted") \
    X(ComboBox, L"ComboBox") \
    X(ComboBoxButton, L"ComboBoxButton") \
    X(ComboBoxButtonPressed, L"ComboBoxButtonPressed") \
    X(ComboBoxArrow, L"ComboBoxArrow") \
    X(ComboBoxArrowPressed, L"ComboBoxArrowPressed") \
    X(ComboBoxDisabled, L"ComboBoxDisabled") \
    X(ComboBoxButtonDisabled, L"ComboBoxButtonDisabled") \
    X(ComboBoxArrowDisabled, L"ComboBoxArrowDisabled") \
    X(EditBox, L"EditBox") \
    X(EditBoxDisabled, L"EditBoxDisabled") \
    X(VScrollBarTop, L"VScrollBarTop") \
    X(VScrollBarTopHighlighted, L"VScrollBarTopHighlighted") \
    X(VScrollBarTopPressed, L"VScrollBarTopPressed") \
    X(VScrollBarTopDisabled, L"VScrollBarTopDisabled") \
    X(VScrollBarBody, L"VScrollBarBody") \
    X(VScrollBarBodyHighlighted, L"VScrollBarBodyHighlighed") \
    X(VScrollBarBodyPressed, L"VScrollBarBodyPressed") \
    X(VScrollBarBodyDisabled, L"VScrollBarBodyDisabled") \
    X(VScrollBarBottom, L"VScrollBarBottom") \
    X(VScrollBarBottomHighlighted, L"VScrollBarBottomHighlighted") \
    X(VScrollBarBottomPressed, L"VScrollBarBottomPressed") \
    X(VScrollBarBottomDisabled, L"VScrollBarBottomDisabled") \
    X(VScrollBarSlider, L"VScrollBarSlider") \
    X(VScrollBarSliderHighlighted, L"VScrollBarSliderHighlighed") \
    X(VScrollBarSliderPressed, L"VScrollBarSliderPressed") \
    X(HScrollBarLeft, L"HScrollBarLeft") \
    X(HScrollBarLeftHighlighted, L"HScrollBarLeftHighlighted") \
    X(HScrollBarLeftPressed, L"HScrollBarLeftPressed") \
    X(HScrollBarLeftDisabled, L"HScrollBarLeftDisabled") \
    X(HScrollBarBody, L"HScrollBarBody") \
    X(HScrollBarBodyHighlighted, L"HScrollBarBodyHighlighed") \
    X(HScrollBarBodyPressed, L"HScrollBarBodyPressed") \
    X(HScrollBarBodyDisabled, L"HScrollBarBodyDisabled") \
    X(HScrollBarSlider, L"HScrollBarSlider") \
    X(HScrollBarSliderHighlighted, L"HScrollBarSliderHighlighed") \
    X(HScrollBarSliderPressed, L"HScrollBarSliderPressed") \
    X(HScrollBarRight, L"HScrollBarRight") \
    X(HScrollBarRightHighlighted, L"HScrollBarRightHighlighted") \
    X(HScrollBarRightPressed, L"HScrollBarRightPressed") \
    X(HScrollBarRightDisabled, L"HScrollBarRightDisabled") \
    X(WindowCloseButton, L"WindowCloseButton") \
    X(WindowCloseButtonHighlighted, L"WindowCloseButtonHighlighted") \
    X(WindowCloseButtonPressed, L"WindowCloseButtonHighPressed") \
    X(WindowCloseButtonDisabled, L"WindowCloseButtonDisabled") \
    X(WindowMinimizeButton, L"WindowMinimizeButton") \
    X(WindowMinimizeButtonHighlighted, L"WindowMinimizeButtonHighlighted") \
    X(WindowMinimizeButtonPressed, L"WindowMinimizeButtonPressed") \
    X(WindowMinimizeButtonDisabled, L"WindowMinimizeButtonDisabled") \
    X(WindowMaximizeButton, L"WindowMaximizeButton") \
    X(WindowMaximizeButtonHighlighted, L"WindowMaximizeButtonHighlighted") \
    X(WindowMaximizeButtonPressed, L"WindowMaximizeButtonPressed") \
    X(WindowMaximizeButtonDisabled, L"WindowMaximizeButtonDisabled") \
    X(WindowRestoreButton, L"WindowRestoreButton") \
    X(WindowRestoreButtonHighlighted, L"WindowRestoreButtonHighlighted") \
    X(WindowRestoreButtonPressed, L"WindowRestoreButtonPressed") \
    X(WindowRestoreButtonDisabled, L"WindowRestoreButtonDisabled") \
    X(WindowSysmenuButton, L"WindowSysmenuButton") \
    X(WindowInactiveCloseButton, L"WindowInactiveCloseButton") \
    X(WindowInactiveCloseButtonHighlighted, L"WindowInactiveCloseButtonHighlighted") \
    X(WindowInactiveCloseButtonPressed, L"WindowInactiveCloseButtonHighPressed") \
    X(WindowInactiveCloseButtonDisabled, L"WindowInactiveCloseButtonDisabled") \
    X(WindowInactiveMinimizeButton, L"WindowInactiveMinimizeButton") \
    X(WindowInactiveMinimizeButtonHighlighted, L"WindowInactiveMinimizeButtonHighlighted") \
    X(WindowInactiveMinimizeButtonPressed, L"WindowInactiveMinimizeButtonPressed") \
    X(WindowInactiveMinimizeButtonDisabled, L"WindowInactiveMinimizeButtonDisabled") \
    X(WindowInactiveMaximizeButton, L"WindowInactiveMaximizeButton") \
    X(WindowInactiveMaximizeButtonHighlighted, L"WindowInactiveMaximizeButtonHighlighted") \
    X(WindowInactiveMaximizeButtonPressed, L"WindowInactiveMaximizeButtonPressed") \
    X(WindowInactiveMaximizeButtonDisabled, L"WindowInactiveMaximizeButtonDisabled") \
    X(WindowInactiveRestoreButton, L"WindowInactiveRestoreButton") \
    X(WindowInactiveRestoreButtonHighlighted, L"WindowInactiveRestoreButtonHighlighted") \
    X(WindowInactiveRestoreButtonPressed, L"WindowInactiveRestoreButtonPressed") \
    X(WindowInactiveRestoreButtonDisabled, L"WindowInactiveRestoreButtonDisabled") \
    X(WindowInactiveSysmenuButton, L"WindowInactiveSysmenuButton") \
    X(WindowCaption, L"WindowCaption") \
    X(WindowCaptionInactive, L"WindowCaptionInactive") \
    X(ProgressBar, L"ProgressBar") \
    X(ProgressBarFull, L"ProgressBarFull") \
    X(TabControlBox, L"TabControlBox") \
    X(Tab, L"Tab") \
    X(TabSelected, L"TabSelected") \
    X(ComboBoxPressed, L"ComboBoxPressed")

enum StyleElementIndex : int32_t {
#define WINUI_STYLE_ELEMENT_INDEX(id, name) kElement##id,
    WINUI_STYLE_ELEMENTS(WINUI_STYLE_ELEMENT_INDEX)
#undef WINUI_STYLE_ELEMENT_INDEX
    kStyleElementCount
};
static_assert(kStyleElementCount == 102, "style files index 102 elements");

// The colours of a style, each named in style files as its identifier without the prefix.
enum StyleColorIndex : int32_t {
    kColorWindow,
    kColorWindowText,
    kColorHighlight,
    kColorHighlightText,
    kColorGrayText,
    kColorButtonFace,
    kColorButtonHighlight,
    kColorButtonShadow,
    kColorButtonText,
    kColorCaptionText,
    kColorInactiveCaptionText,
    kColorFormBody,
    kColorFormText,
    kStyleColorCount
};

// "WindowBorderWidth", "WindowCaptionHeight", "ToolWindowBorderWidth",
// "ToolWindowCaptionHeight", "TabControlFrameWidth", "TabOverlap".
enum StyleDimensionIndex : int32_t {
    kDimensionWindowBorderWidth,
    kDimensionWindowCaptionHeight,
    kDimensionToolWindowBorderWidth,
    kDimensionToolWindowCaptionHeight,
    kDimensionTabControlFrameWidth,
    kDimensionTabOverlap,
    kStyleDimensionCount
};

// "windowCloseButtonOffset", "windowMaximizeButtonOffset", "windowMinimizeButtonOffset",
// "windowSysmenuButtonOffset", "toolWindowCloseButtonOffset".
enum StyleOffsetIndex : int32_t {
    kOffsetWindowCloseButton,
    kOffsetWindowMaximizeButton,
    kOffsetWindowMinimizeButton,
    kOffsetWindowSysmenuButton,
    kOffsetToolWindowCloseButton,
    kStyleOffsetCount
};

using StyleColors = std::array<COLORREF, kStyleColorCount>;

// Index of the element, colour, dimension or offset of that name (compared exactly, case
// included), or -1 for a name that the table does not hold.
int32_t styleElementIndex(const std::wstring& name);
int32_t styleColorIndex(const std::wstring& name);
int32_t styleDimensionIndex(const std::wstring& name);
int32_t styleOffsetIndex(const std::wstring& name);

// The name at an index; the empty string outside the table.
const wchar_t* styleElementName(int32_t index);
const wchar_t* styleColorName(int32_t index);

// The colours a style starts from: the system colours as the program read them at start-up
// (core/app/GlobalConstants.h; "CaptionText" is the active caption's background).
const StyleColors& defaultStyleColors();

} // namespace winui
