#pragma once

#include <windows.h>

// A recursive lock for the object that derives from it. Not polymorphic: it only lends its
// critical section to ScopedLock.
class Lockable {
public:
    Lockable() { InitializeCriticalSection(&criticalSection_); }
    ~Lockable() { DeleteCriticalSection(&criticalSection_); }
    Lockable(const Lockable&) = delete;
    Lockable& operator=(const Lockable&) = delete;

    void lock() const { EnterCriticalSection(&criticalSection_); }
    void unlock() const { LeaveCriticalSection(&criticalSection_); }
    CRITICAL_SECTION* criticalSection() const { return &criticalSection_; }

private:
    mutable CRITICAL_SECTION criticalSection_;
};

// Holds a Lockable's critical section for its own lifetime.
class ScopedLock {
public:
    explicit ScopedLock(const Lockable& lockable) : criticalSection_(lockable.criticalSection()) {
        EnterCriticalSection(criticalSection_);
    }
    explicit ScopedLock(CRITICAL_SECTION* criticalSection) : criticalSection_(criticalSection) {
        EnterCriticalSection(criticalSection_);
    }
    ~ScopedLock() { LeaveCriticalSection(criticalSection_); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CRITICAL_SECTION* criticalSection_;
};
