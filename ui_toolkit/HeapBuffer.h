#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace winui {

// A block of the process heap, freed when the owner goes. Null when the allocation failed,
// so callers test it instead of catching anything.
class HeapBuffer {
public:
    HeapBuffer() = default;
    explicit HeapBuffer(size_t size)
        : data_(size ? static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, size)) : nullptr),
          size_(data_ ? size : 0) {}
    HeapBuffer(HeapBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    HeapBuffer& operator=(HeapBuffer&& other) noexcept {
        if (this != &other) {
            reset();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;
    ~HeapBuffer() { reset(); }

    void reset() {
        if (data_) HeapFree(GetProcessHeap(), 0, data_);
        data_ = nullptr;
        size_ = 0;
    }

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace winui
