#pragma once

#include "core/events/BaseHandler.h"
#include "core/events/HandlerList.h"

#include <cstddef>

class HandlerHolder;

// Internal to the events code: the firings under way on the calling thread, innermost first.
// A holder that loses its handler while it stands in a snapshot is struck from every snapshot,
// and a handler that is running when its holder drops it is deleted only after it returns.
class HandlerFiring {
public:
    HandlerFiring(HandlerHolder** entries, std::size_t count);
    ~HandlerFiring();
    HandlerFiring(const HandlerFiring&) = delete;
    HandlerFiring& operator=(const HandlerFiring&) = delete;

    // Takes the snapshot and calls invoker for each holder of it that still has a handler.
    static void fireEvent(const HandlerList& event, events_detail::Invoker invoker,
                          const void* arguments);

    // Called by a holder that is about to drop handler (which may be null). Returns true when
    // a firing took over the handler's deletion because the handler is running.
    static bool forgetHolder(HandlerHolder* holder, BaseHandler__* handler);

    // Snapshot storage for the common small event, so that most firings allocate nothing.
    static constexpr std::size_t kInlineEntries = 8;

private:
    void run(events_detail::Invoker invoker, const void* arguments);

    HandlerFiring* outer_;
    HandlerHolder** entries_;
    std::size_t count_;
    BaseHandler__* current_ = nullptr;
    bool currentOrphaned_ = false;
};
