#include "core/xml/XmlFileStream.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kStatisticsBytes = 20480;
constexpr int kDeclarationBytes = 100;

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
    uint8_t head[3];
    const DWORD headLength = readFully(file.get(), head, 3);
    if (headLength < 2) {
        return false;
    }
    if (head[0] == 0xFF && head[1] == 0xFE) {
        encoding = kXmlEncodingUtf16Le;
        bomLength = 2;
        return true;
    }
    if (head[0] == 0xFE && head[1] == 0xFF) {
        encoding = kXmlEncodingUtf16Be;
        bomLength = 2;
        return true;
    }
    if (headLength == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
        encoding = kXmlEncodingUtf8;
        bomLength = 3;
        return true;
    }
    if (encoding != 0) {
        return true;
    }
    // The declaration is looked for only in the 100 bytes after the first three, lower-cased,
    // written with no blanks. Either quote style counts: many XML writers put single quotes, and
    // such a UTF-8 file with little text beyond ASCII (or only three-byte sequences, as CJK text
    // has) would otherwise be read as ANSI, every character beyond ASCII turned to garbage.
    std::vector<uint8_t> text(kDeclarationBytes);
    const DWORD textLength = readFully(file.get(), text.data(), kDeclarationBytes);
    std::string lowered(text.begin(), text.begin() + textLength);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (lowered.find("encoding=\"utf-8\"") != std::string::npos ||
        lowered.find("encoding='utf-8'") != std::string::npos) {
        encoding = kXmlEncodingUtf8;
        return true;
    }
    encoding = kXmlEncodingAnsi;
    if (textLength < static_cast<DWORD>(kDeclarationBytes)) {
        return true;
    }
    std::vector<uint8_t> sample(kStatisticsBytes);
    const DWORD sampleLength = readFully(file.get(), sample.data(), kStatisticsBytes);
    // Bytes below 0x10 cluster on one parity in UTF-16 text; two-byte UTF-8 pairs betray UTF-8.
    int small[2] = {1, 1};
    int pairs = 0;
    uint8_t before = headLength == 3 ? head[2] : 0;
    int offsetParity = (3 + kDeclarationBytes) & 1;
    for (DWORD i = 0; i < sampleLength; ++i, offsetParity ^= 1) {
        const uint8_t b = sample[i];
        if ((b & 0xF0) == 0) {
            ++small[offsetParity];
            if (small[offsetParity] / small[offsetParity ^ 1] > 16) {
                encoding = offsetParity == 1 ? kXmlEncodingUtf16Le : kXmlEncodingUtf16Be;
                return true;
            }
        } else if ((before & 0xE0) == 0xC0 && (b & 0xC0) == 0x80) {
            if (++pairs > 10) {
                encoding = kXmlEncodingUtf8;
                return true;
            }
        }
        before = b;
    }
    return true;
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
