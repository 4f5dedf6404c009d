#include "core/events/HandlerList.h"

#include "core/events/HandlerFiring.h"
#include "core/events/HandlerHolder.h"

#include <algorithm>
#include <new>

namespace {
// Events are not shared between threads, but the filter's parser fires its own events on a
// pool thread, so the record of firings under way is per thread.
thread_local HandlerFiring* t_innermostFiring = nullptr;
} // namespace

HandlerList::~HandlerList() {
    while (!holders_.empty())
        unlinkHandler(*holders_.front(), *this);
}

void HandlerList::removeFirst(HandlerHolder* holder) {
    auto it = std::find(holders_.begin(), holders_.end(), holder);
    if (it != holders_.end())
        holders_.erase(it);
}

void unlinkHandler(HandlerHolder& holder, HandlerList& event) {
    auto it = std::find(holder.events_.begin(), holder.events_.end(), &event);
    if (it == holder.events_.end())
        return;
    holder.events_.erase(it);
    event.removeFirst(&holder);
}

HandlerFiring::HandlerFiring(HandlerHolder** entries, std::size_t count)
    : outer_(t_innermostFiring), entries_(entries), count_(count) {
    t_innermostFiring = this;
}

HandlerFiring::~HandlerFiring() {
    // Reached also when a handler throws: the running handler may already be orphaned.
    if (currentOrphaned_)
        delete current_;
    t_innermostFiring = outer_;
}

void HandlerFiring::run(events_detail::Invoker invoker, const void* arguments) {
    for (std::size_t i = 0; i < count_; ++i) {
        HandlerHolder* holder = entries_[i];
        if (!holder)
            continue;
        BaseHandler__* handler = holder->handler_.get();
        if (!handler)
            continue;
        current_ = handler;
        currentOrphaned_ = false;
        invoker(*handler, arguments);
        if (currentOrphaned_)
            delete handler;
        current_ = nullptr;
        currentOrphaned_ = false;
    }
}

bool HandlerFiring::forgetHolder(HandlerHolder* holder, BaseHandler__* handler) {
    HandlerFiring* runningIn = nullptr;
    for (HandlerFiring* f = t_innermostFiring; f; f = f->outer_) {
        for (std::size_t i = 0; i < f->count_; ++i) {
            if (f->entries_[i] == holder)
                f->entries_[i] = nullptr;
        }
        // A handler can be running in several nested firings (it fired its own event); the
        // outermost of them returns last and deletes it.
        if (handler && f->current_ == handler)
            runningIn = f;
    }
    if (!runningIn)
        return false;
    runningIn->currentOrphaned_ = true;
    return true;
}

void events_detail::fire(const HandlerList& event, Invoker invoker, const void* arguments) {
    HandlerFiring::fireEvent(event, invoker, arguments);
}

void HandlerFiring::fireEvent(const HandlerList& event, events_detail::Invoker invoker,
                              const void* arguments) {
    const std::size_t count = event.holders_.size();
    if (count == 0)
        return;
    HandlerHolder* inlineEntries[HandlerFiring::kInlineEntries];
    std::vector<HandlerHolder*> heapEntries;
    HandlerHolder** entries = inlineEntries;
    if (count > HandlerFiring::kInlineEntries) {
        try {
            heapEntries.assign(event.holders_.begin(), event.holders_.end());
        } catch (const std::bad_alloc&) {
            return;
        }
        entries = heapEntries.data();
    } else {
        std::copy(event.holders_.begin(), event.holders_.end(), inlineEntries);
    }
    HandlerFiring firing(entries, count);
    firing.run(invoker, arguments);
}

void fireHandlers(const HandlerList& event) {
    events_detail::fire(
        event,
        [](BaseHandler__& handler, const void*) {
            if (auto* typed = dynamic_cast<Handler__*>(&handler))
                typed->invoke();
        },
        nullptr);
}
