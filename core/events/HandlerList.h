#pragma once

#include "core/events/BaseHandler.h"

#include <cstddef>
#include <type_traits>
#include <vector>

class HandlerHolder;

// The sender's side of one event. Holders are not owned; each link is mirrored in the holder,
// so that whichever side goes first removes itself from the other. Not copyable or movable:
// holders keep its address.
class HandlerList {
public:
    HandlerList() = default;
    ~HandlerList();
    HandlerList(const HandlerList&) = delete;
    HandlerList& operator=(const HandlerList&) = delete;

    bool isEmpty() const { return holders_.empty(); }
    // Number of links (a holder connected twice counts twice).
    std::size_t size() const { return holders_.size(); }

private:
    friend class HandlerHolder;
    friend void unlinkHandler(HandlerHolder& holder, HandlerList& event);
    friend class HandlerFiring;

    void removeFirst(HandlerHolder* holder);

    std::vector<HandlerHolder*> holders_;
};

// Detaches one link between the holder and the event (the first of each side); the holder
// keeps its handler and its other links. Nothing changes when they are not linked.
void unlinkHandler(HandlerHolder& holder, HandlerList& event);

namespace events_detail {
using Invoker = void (*)(BaseHandler__& handler, const void* arguments);
// Calls invoker for the handler of every holder linked when the firing starts, in link order.
void fire(const HandlerList& event, Invoker invoker, const void* arguments);

template <class A, class B>
struct Pair {
    A a;
    B b;
};
} // namespace events_detail

void fireHandlers(const HandlerList& event);

template <class A>
void fireHandlersT1(const HandlerList& event, A a) {
    using Arg = std::decay_t<A>;
    const Arg value(a);
    events_detail::fire(
        event,
        [](BaseHandler__& handler, const void* arguments) {
            if (auto* typed = dynamic_cast<HandlerT1__<Arg>*>(&handler))
                typed->invoke(*static_cast<const Arg*>(arguments));
        },
        &value);
}

template <class A, class B>
void fireHandlersT2(const HandlerList& event, A a, B b) {
    using ArgA = std::decay_t<A>;
    using ArgB = std::decay_t<B>;
    const events_detail::Pair<ArgA, ArgB> values{a, b};
    events_detail::fire(
        event,
        [](BaseHandler__& handler, const void* arguments) {
            if (auto* typed = dynamic_cast<HandlerT2__<ArgA, ArgB>*>(&handler)) {
                const auto& v = *static_cast<const events_detail::Pair<ArgA, ArgB>*>(arguments);
                typed->invoke(v.a, v.b);
            }
        },
        &values);
}
