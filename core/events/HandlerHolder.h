#pragma once

#include "core/events/BaseHandler.h"
#include "core/events/HandlerList.h"

#include <memory>
#include <new>
#include <type_traits>
#include <vector>

// The receiver's side: a member of the receiving object, bound to one member function by its
// first connect. Destroying it (or disconnectAll) removes it from every event, and a firing
// that is under way does not call it any more.
class HandlerHolder {
public:
    HandlerHolder() = default;
    ~HandlerHolder();
    HandlerHolder(const HandlerHolder&) = delete;
    HandlerHolder& operator=(const HandlerHolder&) = delete;

    // Links the holder to the event. The first connect binds the holder to object and method;
    // later connects of the same holder reuse that binding and ignore the ones they are given.
    // False only when memory ran out, and then nothing changed.
    template <class T, class U, class R>
    bool connect(HandlerList& event, U* object, R (T::*method)()) {
        static_assert(std::is_base_of<T, U>::value, "the object must be of the method's class");
        return link(event, [&]() -> BaseHandler__* {
            return new (std::nothrow) MethodHandler__<T, R>(static_cast<T*>(object), method);
        });
    }

    template <class T, class U, class R, class PA>
    bool connect(HandlerList& event, U* object, R (T::*method)(PA)) {
        static_assert(std::is_base_of<T, U>::value, "the object must be of the method's class");
        return link(event, [&]() -> BaseHandler__* {
            return new (std::nothrow)
                MethodHandlerT1__<T, std::decay_t<PA>, R, PA>(static_cast<T*>(object), method);
        });
    }

    template <class T, class U, class R, class PA, class PB>
    bool connect(HandlerList& event, U* object, R (T::*method)(PA, PB)) {
        static_assert(std::is_base_of<T, U>::value, "the object must be of the method's class");
        return link(event, [&]() -> BaseHandler__* {
            return new (std::nothrow) MethodHandlerT2__<T, std::decay_t<PA>, std::decay_t<PB>, R, PA, PB>(
                static_cast<T*>(object), method);
        });
    }

    // Removes every link, then drops the handler; the next connect binds anew.
    void disconnectAll();

    bool isConnected() const { return !events_.empty(); }
    // Number of links (an event connected twice counts twice).
    std::size_t connectionCount() const { return events_.size(); }
    BaseHandler__* handler() const { return handler_.get(); }

private:
    friend class HandlerList;
    friend void unlinkHandler(HandlerHolder& holder, HandlerList& event);
    friend class HandlerFiring;

    template <class Make>
    bool link(HandlerList& event, Make make) {
        if (!reserveLink(event))
            return false;
        if (!handler_) {
            handler_.reset(make());
            if (!handler_)
                return false;
        }
        addReservedLink(event);
        return true;
    }

    bool reserveLink(HandlerList& event);
    void addReservedLink(HandlerList& event) noexcept;
    void removeFirst(HandlerList* event);
    void dropHandler();

    std::vector<HandlerList*> events_;
    std::unique_ptr<BaseHandler__> handler_;
};
