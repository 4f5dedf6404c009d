#pragma once

#include "core/xml/XmlMemoryStream.h"

#include <cstdint>
#include <memory>
#include <string>

// Reads an XML file block by block with its encoding detected (byte-order mark, declaration,
// byte statistics). Positions are offsets in the file.
class XmlFileStream : public XmlStream {
public:
    // Delivers the bytes of one file, from a start offset on. Owns the open file.
    class FileBlockSupplier : public XmlMemoryStream::BlockSupplier {
    public:
        FileBlockSupplier(const std::wstring& path, int64_t startOffset);
        ~FileBlockSupplier() override;
        FileBlockSupplier(const FileBlockSupplier&) = delete;
        FileBlockSupplier& operator=(const FileBlockSupplier&) = delete;

        int32_t read(uint8_t* dest, int32_t room) override;
        // False when the file could not be opened or positioned.
        bool good() const { return good_; }
        // Size in bytes, 0 when the file could not be opened.
        int64_t fileSize() const { return size_; }

    private:
        void* file_; // Win32 file handle, closed by the destructor
        int64_t size_ = 0;
        bool good_ = false;
    };

    // encoding 0 asks for detection; 1 to 4 is what the caller expects of a file without a
    // byte-order mark (a byte-order mark always wins).
    explicit XmlFileStream(const std::wstring& path, int32_t encoding = 0);
    ~XmlFileStream() override;

    uint16_t getChar() override;
    bool hadError() const override;
    int64_t position() const override;
    int32_t encoding() const override;
    int32_t getChars(wchar_t* dest, int32_t room) override;
    bool decodingFailed() const override;
    XmlMemoryStream* memorySource() override { return inner_.get(); }

    int64_t fileSize() const;

    // Works out the encoding of a file by XmlEncodingDetector's rule on its first bytes:
    // encoding is the caller's expectation on entry and the result on success; bomLength is 0,
    // 2 or 3. False when the file cannot be opened or has fewer than two bytes.
    static bool detectEncoding(const std::wstring& path, int32_t& encoding, int32_t& bomLength);

private:
    std::unique_ptr<XmlMemoryStream> inner_;
    std::unique_ptr<FileBlockSupplier> supplier_;
    bool failed_ = false;
    int32_t bomLength_ = 0;
};
