#include "core/xml/XmlFileStream.h"

#include "core/xml/XmlEncodingDetector.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

HANDLE openForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// Reads until count bytes are there or the file ends; returns how many were read.
DWORD readFully(HANDLE file, uint8_t* dest, DWORD count) {
    DWORD total = 0;
    while (total < count) {
        DWORD got = 0;
        if (!ReadFile(file, dest + total, count - total, &got, nullptr) || got == 0) {
            break;
        }
        total += got;
    }
    return total;
}

class ScopedFile {
public:
    explicit ScopedFile(HANDLE handle) : handle_(handle) {}
    ~ScopedFile() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

} // namespace

XmlFileStream::FileBlockSupplier::FileBlockSupplier(const std::wstring& path, int64_t startOffset)
    : file_(openForReading(path)) {
    if (file_ == INVALID_HANDLE_VALUE) {
        return;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_, &size)) {
        return;
    }
    size_ = size.QuadPart;
    LARGE_INTEGER offset;
    offset.QuadPart = startOffset;
    good_ = SetFilePointerEx(file_, offset, nullptr, FILE_BEGIN) != 0;
}

XmlFileStream::FileBlockSupplier::~FileBlockSupplier() {
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
    }
}

int32_t XmlFileStream::FileBlockSupplier::read(uint8_t* dest, int32_t room) {
    if (!good_ || room <= 0) {
        return 0;
    }
    DWORD got = 0;
    if (!ReadFile(file_, dest, static_cast<DWORD>(room), &got, nullptr)) {
        return 0;
    }
    return static_cast<int32_t>(got);
}

bool XmlFileStream::detectEncoding(const std::wstring& path, int32_t& encoding,
                                   int32_t& bomLength) {
    bomLength = 0;
    ScopedFile file(openForReading(path));
    if (!file.valid()) {
        return false;
    }
    std::vector<uint8_t> sample(XmlEncodingDetector::kSampleBytes);
    const DWORD got = readFully(file.get(), sample.data(), static_cast<DWORD>(sample.size()));
    LARGE_INTEGER size;
    const bool fileEndsThere = GetFileSizeEx(file.get(), &size) && size.QuadPart <= static_cast<LONGLONG>(got);
    return XmlEncodingDetector::detect(sample.data(), got, fileEndsThere, encoding, bomLength);
}

XmlFileStream::XmlFileStream(const std::wstring& path, int32_t encoding) {
    int32_t detected = encoding;
    if (!detectEncoding(path, detected, bomLength_)) {
        failed_ = true;
        inner_.reset(new XmlMemoryStream(nullptr, kXmlEncodingNone, 0));
        return;
    }
    supplier_.reset(new FileBlockSupplier(path, bomLength_));
    if (!supplier_->good()) {
        supplier_.reset();
        failed_ = true;
        inner_.reset(new XmlMemoryStream(nullptr, kXmlEncodingAnsi, 0));
        return;
    }
    inner_.reset(new XmlMemoryStream(detected, supplier_.get()));
}

XmlFileStream::~XmlFileStream() {
    inner_.reset();
    supplier_.reset();
}

uint16_t XmlFileStream::getChar() {
    return inner_->getChar();
}

bool XmlFileStream::hadError() const {
    return failed_ || inner_->hadError();
}

int64_t XmlFileStream::position() const {
    return inner_->position() + bomLength_;
}

int32_t XmlFileStream::encoding() const {
    return inner_->encoding();
}

int32_t XmlFileStream::getChars(wchar_t* dest, int32_t room) {
    return inner_->XmlMemoryStream::getChars(dest, room);
}

bool XmlFileStream::decodingFailed() const {
    return inner_->hadError();
}

int64_t XmlFileStream::fileSize() const {
    return supplier_ ? supplier_->fileSize() : 0;
}
