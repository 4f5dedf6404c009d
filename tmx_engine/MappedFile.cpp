#include "tmx_engine/MappedFile.h"

#include <cstring>
#include <utility>

MappedFile::~MappedFile() { close(); }

MappedFile::MappedFile(MappedFile&& other) noexcept
    : file_(std::move(other.file_)), mapping_(std::move(other.mapping_)), start_(other.start_),
      end_(other.end_), failed_(other.failed_), cursor_(other.cursor_),
      shortTransfer_(other.shortTransfer_), lastTransfer_(other.lastTransfer_) {
    other.start_ = other.end_ = nullptr;
    other.failed_ = true;
    other.cursor_ = 0;
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        close();
        file_ = std::move(other.file_);
        mapping_ = std::move(other.mapping_);
        start_ = other.start_;
        end_ = other.end_;
        failed_ = other.failed_;
        cursor_ = other.cursor_;
        shortTransfer_ = other.shortTransfer_;
        lastTransfer_ = other.lastTransfer_;
        other.start_ = other.end_ = nullptr;
        other.failed_ = true;
        other.cursor_ = 0;
    }
    return *this;
}

bool MappedFile::close() {
    bool ok = true;
    if (start_)
        ok = UnmapViewOfFile(start_) != 0;
    start_ = end_ = nullptr;
    mapping_.reset();
    if (file_.valid())
        ok = CloseHandle(file_.release()) != 0 && ok;
    cursor_ = 0;
    return ok;
}

void MappedFile::seek(size_t offset) { cursor_ = offset < size() ? offset : size(); }

size_t MappedFile::transferLength(size_t count) {
    const size_t room = size() - cursor_;
    size_t n = count;
    if (n > room) {
        n = room;
        shortTransfer_ = true;
    }
    lastTransfer_ = n;
    return n;
}

size_t MappedFile::read(void* destination, size_t count) {
    const size_t n = transferLength(count);
    if (n)
        std::memcpy(destination, start_ + cursor_, n);
    if (n < count)
        std::memset(static_cast<uint8_t*>(destination) + n, 0, count - n);
    cursor_ += n;
    return n;
}

size_t MappedFile::write(const void* source, size_t count) {
    const size_t n = transferLength(count);
    if (n)
        std::memcpy(start_ + cursor_, source, n);
    cursor_ += n;
    return n;
}

size_t MappedFile::writeZeros(size_t count) {
    const size_t n = transferLength(count);
    if (n)
        std::memset(start_ + cursor_, 0, n);
    cursor_ += n;
    return n;
}

size_t MappedFile::skip(size_t count) {
    const size_t n = transferLength(count);
    cursor_ += n;
    return n;
}

MappedFile mapFile(const std::wstring& path, MappedFile::Mode mode, uint64_t size) {
    MappedFile m;
    const bool writing = mode == MappedFile::Mode::Write;
    if (writing) {
        m.file_.reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    } else {
        m.file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr));
    }
    if (!m.file_.valid())
        return m;
    if (!writing) {
        DWORD high = 0;
        const DWORD low = GetFileSize(m.file_.get(), &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
            return m;
        if (high != 0)
            return m;
        size = low;
    }
    // A view the address space cannot hold is refused rather than truncated.
    if (size == 0 || size > static_cast<uint64_t>(SIZE_MAX) || size >= (uint64_t(1) << 32))
        return m;
    m.mapping_.reset(CreateFileMappingW(m.file_.get(), nullptr,
                                        writing ? PAGE_READWRITE : PAGE_READONLY,
                                        static_cast<DWORD>(size >> 32),
                                        static_cast<DWORD>(size & 0xFFFFFFFFu), nullptr));
    if (!m.mapping_.valid())
        return m;
    void* view = MapViewOfFile(m.mapping_.get(), writing ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0,
                               static_cast<SIZE_T>(size));
    if (!view)
        return m;
    m.start_ = static_cast<uint8_t*>(view);
    m.end_ = m.start_ + static_cast<size_t>(size);
    m.failed_ = false;
    return m;
}
