#include "tmx_engine/IndexFileWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

bool IndexFileWriter::open(HANDLE file, uint64_t plannedSize) {
    failed_ = true;
    if (file == nullptr || file == INVALID_HANDLE_VALUE)
        return false;
    target_ = file;
    windowSize_ = kWindow;
    try {
        window_.resize(windowSize_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    windowStart_ = 0;
    filled_ = 0;
    planned_ = plannedSize;
    latePatches_.clear();
    failed_ = false;
    return true;
}

bool IndexFileWriter::openRange(const IndexFileWriter& file, uint64_t start, uint64_t end) {
    failed_ = true;
    target_ = file.target_;
    if (!target_ || end < start)
        return false;
    windowSize_ = kRangeWindow;
    try {
        window_.resize(windowSize_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    windowStart_ = start;
    filled_ = 0;
    planned_ = end;
    latePatches_.clear();
    failed_ = false;
    return true;
}

bool IndexFileWriter::writeAt(uint64_t at, const void* data, size_t count) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (count) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
        OVERLAPPED position = {};
        position.Offset = static_cast<DWORD>(at);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD done = 0;
        if (!WriteFile(target_, p, chunk, &done, &position) || done != chunk)
            return false;
        p += chunk;
        at += chunk;
        count -= chunk;
    }
    return true;
}

void IndexFileWriter::skipTo(uint64_t at) {
    if (failed_ || at < offset() || at > planned_ || !flush()) {
        failed_ = true;
        return;
    }
    windowStart_ = at;
}

bool IndexFileWriter::flush() {
    if (failed_)
        return false;
    if (filled_ && !writeAt(windowStart_, window_.data(), filled_)) {
        failed_ = true;
        return false;
    }
    windowStart_ += filled_;
    filled_ = 0;
    return true;
}

uint8_t* IndexFileWriter::append(size_t count) {
    if (failed_ || count > windowSize_ || offset() + count > planned_) {
        failed_ = true;
        return nullptr;
    }
    if (filled_ + count > windowSize_ && !flush())
        return nullptr;
    uint8_t* at = window_.data() + filled_;
    filled_ += count;
    return at;
}

void IndexFileWriter::write(const void* data, size_t count) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (count && !failed_) {
        const size_t chunk = std::min(count, windowSize_);
        uint8_t* at = append(chunk);
        if (!at)
            return;
        std::memcpy(at, p, chunk);
        p += chunk;
        count -= chunk;
    }
}

void IndexFileWriter::writeZeros(size_t count) {
    while (count && !failed_) {
        const size_t chunk = std::min(count, windowSize_);
        uint8_t* at = append(chunk);
        if (!at)
            return;
        std::memset(at, 0, chunk);
        count -= chunk;
    }
}

void IndexFileWriter::patch32(uint64_t at, uint32_t value) {
    if (failed_)
        return;
    if (at + 4 > offset()) {
        failed_ = true;
        return;
    }
    if (at >= windowStart_) {
        std::memcpy(window_.data() + (at - windowStart_), &value, 4);
        return;
    }
    try {
        latePatches_.emplace_back(at, value);
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
}

bool IndexFileWriter::finishRange() {
    if (!failed_ && offset() != planned_)
        failed_ = true;
    if (!flush())
        return false;
    std::sort(latePatches_.begin(), latePatches_.end());
    for (const auto& patch : latePatches_) {
        if (!writeAt(patch.first, &patch.second, 4)) {
            failed_ = true;
            break;
        }
    }
    return !failed_;
}

bool IndexFileWriter::finish() {
    if (!failed_ && offset() < planned_)
        writeZeros(static_cast<size_t>(planned_ - offset()));
    const bool written = finishRange();
    target_ = nullptr;
    return written;
}
