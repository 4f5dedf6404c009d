#pragma once

#include <cstddef>
#include <type_traits>

// The handler kinds that a HandlerHolder owns. An event (HandlerList) is untyped; the firing
// function of each argument kind finds the matching handler kind at run time, so a receiver
// connected with the wrong argument kind is skipped rather than called with garbage.

class BaseHandler__ {
public:
    virtual ~BaseHandler__() = default;
    virtual int argumentCount() const = 0;
    virtual int argumentBytes() const = 0;

protected:
    BaseHandler__() = default;
    BaseHandler__(const BaseHandler__&) = delete;
    BaseHandler__& operator=(const BaseHandler__&) = delete;
};

class Handler__ : public BaseHandler__ {
public:
    virtual void invoke() = 0;
    int argumentCount() const override { return 0; }
    int argumentBytes() const override { return 0; }
};

template <class A>
class HandlerT1__ : public BaseHandler__ {
public:
    static_assert(std::is_same<A, std::decay_t<A>>::value, "events carry their arguments by value");
    virtual void invoke(A a) = 0;
    int argumentCount() const override { return 1; }
    int argumentBytes() const override { return static_cast<int>(sizeof(A)); }
};

template <class A, class B>
class HandlerT2__ : public BaseHandler__ {
public:
    static_assert(std::is_same<A, std::decay_t<A>>::value && std::is_same<B, std::decay_t<B>>::value,
                  "events carry their arguments by value");
    virtual void invoke(A a, B b) = 0;
    int argumentCount() const override { return 2; }
    int argumentBytes() const override { return static_cast<int>(sizeof(A) + sizeof(B)); }
};

// R is the member function's result, which is ignored; PA/PB are its declared parameter types
// (for example const winui::Point&), while the event itself carries the decayed types.
template <class T, class R = void>
class MethodHandler__ : public Handler__ {
public:
    using Method = R (T::*)();
    MethodHandler__(T* object, Method method) : object_(object), method_(method) {}
    void invoke() override { (object_->*method_)(); }

private:
    T* object_;
    Method method_;
};

template <class T, class A, class R = void, class PA = A>
class MethodHandlerT1__ : public HandlerT1__<A> {
public:
    using Method = R (T::*)(PA);
    MethodHandlerT1__(T* object, Method method) : object_(object), method_(method) {}
    void invoke(A a) override { (object_->*method_)(a); }

private:
    T* object_;
    Method method_;
};

template <class T, class A, class B, class R = void, class PA = A, class PB = B>
class MethodHandlerT2__ : public HandlerT2__<A, B> {
public:
    using Method = R (T::*)(PA, PB);
    MethodHandlerT2__(T* object, Method method) : object_(object), method_(method) {}
    void invoke(A a, B b) override { (object_->*method_)(a, b); }

private:
    T* object_;
    Method method_;
};
