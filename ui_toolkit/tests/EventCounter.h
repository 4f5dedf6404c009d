#pragma once

#include "core/events/HandlerHolder.h"

#include <vector>

// Counts the firings of an event without arguments, or keeps the arguments of an event of one
// argument.
struct EventCounter {
    int count = 0;
    HandlerHolder holder;
    void fired() { ++count; }
};

template <class T>
struct EventRecorder {
    std::vector<T> arguments;
    HandlerHolder holder;
    void fired(T value) { arguments.push_back(value); }
};
