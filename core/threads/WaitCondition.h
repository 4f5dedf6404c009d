#pragma once

#include <windows.h>

#include <cstdint>

// A lock and conditions to wait on, made of the system's slim lock and condition variables. Neither
// needs a handle, and a notice (or one that finds no thread waiting) stays in the process: the
// C++ library's own condition variables pay a round trip through the system for each notice,
// which threads that hand work to each other thousands of times a second cannot afford.
class WaitLock {
public:
    WaitLock() = default;
    WaitLock(const WaitLock&) = delete;
    WaitLock& operator=(const WaitLock&) = delete;

    // For std::lock_guard and std::unique_lock.
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

private:
    friend class WaitCondition;
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class WaitCondition {
public:
    WaitCondition() = default;
    WaitCondition(const WaitCondition&) = delete;
    WaitCondition& operator=(const WaitCondition&) = delete;

    // With the lock held: waits (the lock released meanwhile) until ready() is true.
    template <class Ready> void wait(WaitLock& lock, Ready ready) {
        while (!ready())
            SleepConditionVariableSRW(&condition_, &lock.lock_, INFINITE, 0);
    }
    // The same for at most about milliseconds; returns ready() as it stands at the end.
    template <class Ready> bool waitFor(WaitLock& lock, uint32_t milliseconds, Ready ready) {
        const ULONGLONG deadline = GetTickCount64() + milliseconds;
        while (!ready()) {
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline)
                return false;
            SleepConditionVariableSRW(&condition_, &lock.lock_, static_cast<DWORD>(deadline - now), 0);
        }
        return true;
    }
    void wakeOne() { WakeConditionVariable(&condition_); }
    void wakeAll() { WakeAllConditionVariable(&condition_); }

private:
    CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};
