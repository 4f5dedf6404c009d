#include "core/events/HandlerHolder.h"
#include "core/events/HandlerList.h"
#include "core/values/Rect.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

struct Receiver {
    Receiver(Log& log, std::string name) : log(log), name(std::move(name)) {}

    void onEvent() {
        log.push_back(name);
        if (action)
            action();
    }
    void onOther() { log.push_back(name + "-other"); }
    int onInt(int value) {
        log.push_back(name + ":" + std::to_string(value));
        return value;
    }
    void onUnsigned(unsigned int value) { log.push_back(name + ":u" + std::to_string(value)); }
    void onPoint(const winui::Point& p) {
        log.push_back(name + ":" + std::to_string(p.x) + "," + std::to_string(p.y));
    }
    void onCell(int row, int column) {
        log.push_back(name + ":" + std::to_string(row) + "/" + std::to_string(column));
    }

    Log& log;
    std::string name;
    std::function<void()> action;
    HandlerHolder holder;
};

struct DerivedReceiver : Receiver {
    using Receiver::Receiver;
};

} // namespace

TEST(HandlerListTest, FiresInConnectionOrderAndCountsDuplicateLinks) {
    Log log;
    HandlerList event;
    fireHandlers(event); // no connections: nothing happens
    EXPECT_TRUE(log.empty());

    Receiver a(log, "a"), b(log, "b"), c(log, "c");
    a.holder.connect(event, &a, &Receiver::onEvent);
    b.holder.connect(event, &b, &Receiver::onEvent);
    c.holder.connect(event, &c, &Receiver::onEvent);
    b.holder.connect(event, &b, &Receiver::onEvent);
    fireHandlers(event);
    EXPECT_EQ(log, (Log{"a", "b", "c", "b"}));

    // One unlink removes one link of each side: b's first entry goes, its second stays.
    unlinkHandler(b.holder, event);
    EXPECT_EQ(b.holder.connectionCount(), 1u);
    EXPECT_EQ(event.size(), 3u);
    log.clear();
    fireHandlers(event);
    EXPECT_EQ(log, (Log{"a", "c", "b"}));

    // Unlinking a holder that is not linked to the event changes neither side.
    Receiver d(log, "d");
    HandlerList other;
    d.holder.connect(other, &d, &Receiver::onEvent);
    unlinkHandler(d.holder, event);
    EXPECT_EQ(event.size(), 3u);
    EXPECT_EQ(d.holder.connectionCount(), 1u);
    EXPECT_EQ(other.size(), 1u);
}

TEST(HandlerListTest, AHolderKeepsTheFunctionOfItsFirstConnect) {
    Log log;
    HandlerList first, second, third;
    Receiver r(log, "r");
    r.holder.connect(first, &r, &Receiver::onEvent);
    r.holder.connect(second, &r, &Receiver::onOther);
    r.holder.connect(third, &r, &Receiver::onOther);
    fireHandlers(first);
    fireHandlers(second);
    fireHandlers(third);
    EXPECT_EQ(log, (Log{"r", "r", "r"}));

    // After disconnectAll the holder binds anew.
    r.holder.disconnectAll();
    EXPECT_EQ(r.holder.handler(), nullptr);
    EXPECT_TRUE(first.isEmpty() && second.isEmpty() && third.isEmpty());
    r.holder.connect(second, &r, &Receiver::onOther);
    log.clear();
    fireHandlers(second);
    EXPECT_EQ(log, (Log{"r-other"}));
}

TEST(HandlerListTest, WhicheverSideGoesFirstLeavesTheOtherConsistent) {
    Log log;
    Receiver a(log, "a"), b(log, "b");
    HandlerList kept;
    {
        HandlerList doomed;
        a.holder.connect(doomed, &a, &Receiver::onEvent);
        a.holder.connect(kept, &a, &Receiver::onEvent);
        a.holder.connect(doomed, &a, &Receiver::onEvent);
        b.holder.connect(doomed, &b, &Receiver::onEvent);
    }
    // The destroyed event took only its own links; handlers and other links stay.
    EXPECT_EQ(a.holder.connectionCount(), 1u);
    EXPECT_FALSE(b.holder.isConnected());
    EXPECT_NE(b.holder.handler(), nullptr);
    b.holder.connect(kept, &b, &Receiver::onEvent);
    fireHandlers(kept);
    EXPECT_EQ(log, (Log{"a", "b"}));

    {
        Receiver gone(log, "gone");
        gone.holder.connect(kept, &gone, &Receiver::onEvent);
        EXPECT_EQ(kept.size(), 3u);
    }
    EXPECT_EQ(kept.size(), 2u);
    log.clear();
    fireHandlers(kept);
    EXPECT_EQ(log, (Log{"a", "b"}));
}

TEST(HandlerListTest, ArgumentKindsReachTheirHandlers) {
    Log log;
    Receiver r(log, "r"), s(log, "s"), p(log, "p"), g(log, "g");
    DerivedReceiver d(log, "d");
    HandlerList ints, unsigneds, points, cells;
    r.holder.connect(ints, &r, &Receiver::onInt); // its int result is ignored
    d.holder.connect(ints, &d, &Receiver::onInt); // a base-class member function
    s.holder.connect(unsigneds, &s, &Receiver::onUnsigned);
    p.holder.connect(points, &p, &Receiver::onPoint);
    g.holder.connect(cells, &g, &Receiver::onCell);

    fireHandlersT1<int>(ints, -7);
    fireHandlersT1(unsigneds, 4000000000u);
    fireHandlersT1<winui::Point>(points, winui::Point(3, -4));
    fireHandlersT2<int, int>(cells, 2, 5);
    EXPECT_EQ(log, (Log{"r:-7", "d:-7", "s:u4000000000", "p:3,-4", "g:2/5"}));

    struct Kind {
        BaseHandler__* handler;
        int count;
        int bytes;
    };
    for (const Kind& k : {Kind{r.holder.handler(), 1, 4}, Kind{s.holder.handler(), 1, 4},
                          Kind{p.holder.handler(), 1, 8}, Kind{g.holder.handler(), 2, 8}}) {
        ASSERT_NE(k.handler, nullptr);
        EXPECT_EQ(k.handler->argumentCount(), k.count);
        EXPECT_EQ(k.handler->argumentBytes(), k.bytes);
    }
    Receiver plain(log, "plain");
    HandlerList none;
    plain.holder.connect(none, &plain, &Receiver::onEvent);
    EXPECT_EQ(plain.holder.handler()->argumentCount(), 0);
    EXPECT_EQ(plain.holder.handler()->argumentBytes(), 0);

    // Firing an event with arguments of another kind calls nothing rather than the wrong thing.
    log.clear();
    fireHandlers(ints);
    fireHandlersT1(ints, 1u);
    fireHandlersT2(ints, 1, 2);
    EXPECT_TRUE(log.empty());
}

TEST(HandlerListTest, ChangesDuringFiringTouchTheListNotTheSnapshot) {
    Log log;
    HandlerList event;
    Receiver first(log, "first"), late(log, "late");
    auto second = std::make_unique<Receiver>(log, "second");
    Receiver third(log, "third"), fourth(log, "fourth");
    first.holder.connect(event, &first, &Receiver::onEvent);
    second->holder.connect(event, second.get(), &Receiver::onEvent);
    third.holder.connect(event, &third, &Receiver::onEvent);
    fourth.holder.connect(event, &fourth, &Receiver::onEvent);

    // The first handler connects a newcomer, destroys the second receiver, disconnects the
    // third and only unlinks the fourth, which keeps its handler and so is still called.
    first.action = [&] {
        late.holder.connect(event, &late, &Receiver::onEvent);
        second.reset();
        third.holder.disconnectAll();
        unlinkHandler(fourth.holder, event);
    };
    fireHandlers(event);
    EXPECT_EQ(log, (Log{"first", "fourth"}));

    first.action = nullptr;
    log.clear();
    fireHandlers(event);
    EXPECT_EQ(log, (Log{"first", "late"}));
}

TEST(HandlerListTest, AHandlerMayDisconnectOrReconnectItselfWhileRunning) {
    Log log;
    HandlerList event, other;
    Receiver self(log, "self"), after(log, "after");
    self.holder.connect(event, &self, &Receiver::onEvent);
    self.holder.connect(event, &self, &Receiver::onEvent);
    after.holder.connect(event, &after, &Receiver::onEvent);

    // Its running handler is dropped; the snapshot's second link to it must not be used, and
    // the new binding is not called by this firing either.
    self.action = [&] {
        self.action = nullptr;
        self.holder.disconnectAll();
        self.holder.connect(other, &self, &Receiver::onOther);
    };
    fireHandlers(event);
    EXPECT_EQ(log, (Log{"self", "after"}));
    EXPECT_EQ(event.size(), 1u);

    log.clear();
    fireHandlers(other);
    EXPECT_EQ(log, (Log{"self-other"}));
}

TEST(HandlerListTest, NestedFiringOfTheSameEventStaysConsistent) {
    Log log;
    HandlerList event;
    Receiver outer(log, "outer"), inner(log, "inner");
    outer.holder.connect(event, &outer, &Receiver::onEvent);
    inner.holder.connect(event, &inner, &Receiver::onEvent);
    int depth = 0;
    // The second receiver re-fires the event once, and in the nested firing drops itself while
    // the outer firing's call to it is still on the stack.
    inner.action = [&] {
        if (++depth == 1) {
            fireHandlers(event);
        } else {
            inner.holder.disconnectAll();
        }
    };
    fireHandlers(event);
    EXPECT_EQ(log, (Log{"outer", "inner", "outer", "inner"}));
    EXPECT_EQ(event.size(), 1u);
    EXPECT_EQ(inner.holder.handler(), nullptr);
}
