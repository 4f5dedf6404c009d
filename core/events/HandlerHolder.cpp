#include "core/events/HandlerHolder.h"

#include "core/events/HandlerFiring.h"

#include <algorithm>

HandlerHolder::~HandlerHolder() {
    disconnectAll();
}

bool HandlerHolder::reserveLink(HandlerList& event) {
    // Both sides grow before either is changed, so running out of memory leaves the two
    // lists consistent.
    try {
        events_.reserve(events_.size() + 1);
        event.holders_.reserve(event.holders_.size() + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void HandlerHolder::addReservedLink(HandlerList& event) noexcept {
    events_.push_back(&event);
    event.holders_.push_back(this);
}

void HandlerHolder::removeFirst(HandlerList* event) {
    auto it = std::find(events_.begin(), events_.end(), event);
    if (it != events_.end())
        events_.erase(it);
}

void HandlerHolder::disconnectAll() {
    while (!events_.empty()) {
        HandlerList* event = events_.front();
        events_.erase(events_.begin());
        event->removeFirst(this);
    }
    dropHandler();
}

void HandlerHolder::dropHandler() {
    BaseHandler__* handler = handler_.release();
    if (!HandlerFiring::forgetHolder(this, handler))
        delete handler;
}
