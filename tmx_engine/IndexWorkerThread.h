#pragma once

#include "core/util/Win32Handle.h"

#include <functional>
#include <memory>

// A thread of the index builder: it runs one function and is joined before it goes. Its stack is
// small (the builder's threads never recurse), so that a dozen of them take little of a 32-bit
// address space. Move-only.
class IndexWorkerThread {
public:
    IndexWorkerThread() = default;
    ~IndexWorkerThread() { join(); }
    IndexWorkerThread(IndexWorkerThread&&) noexcept = default;
    IndexWorkerThread& operator=(IndexWorkerThread&& other) noexcept {
        if (this != &other) {
            join();
            handle_ = std::move(other.handle_);
            body_ = std::move(other.body_);
        }
        return *this;
    }

    // False when the thread cannot be created (body is then not run). Throws std::bad_alloc.
    bool start(std::function<void()> body);
    // Waits for the function to return; nothing when no thread runs.
    void join();

private:
    static constexpr unsigned kStackBytes = 256u << 10;

    static unsigned long __stdcall entry(void* body);

    Win32Handle handle_;
    std::unique_ptr<std::function<void()>> body_;
};
