#pragma once

#include <windows.h>

#include <cstdint>

// Where a control stands in its parent's client area; the viewer's windows keep tables of them.
struct ControlPlace {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
};

// Moves the control (any winui control) to its place and returns it.
template <class T>
T* placeControl(T* control, const ControlPlace& place) {
    MoveWindow(control->hwnd, place.left, place.top, place.width, place.height, FALSE);
    return control;
}
