#pragma once

#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlMemoryStream.h"

#include <cstdint>
#include <string>

// The rest of a file from a byte offset on, decoded in a known encoding, with positions that are
// offsets in the file: where the filter's pieces end, one parser reads on from there. Offsets are
// 64-bit all the way to the seek, so that a file of any size is read from the right byte.
class RestOfFileStream : public XmlStream {
public:
    RestOfFileStream(const std::wstring& path, int32_t encoding, uint64_t offset);

    uint16_t getChar() override { return inner_.getChar(); }
    // False when the file could not be opened or positioned at the offset.
    bool opened() const { return supplier_.good(); }
    // Also true when the file could not be opened or positioned at the offset.
    bool hadError() const override { return !supplier_.good() || inner_.hadError(); }
    int64_t position() const override { return base_ + inner_.position(); }
    int32_t encoding() const override { return inner_.encoding(); }
    int32_t getChars(wchar_t* dest, int32_t room) override { return inner_.XmlMemoryStream::getChars(dest, room); }
    bool decodingFailed() const override { return inner_.hadError(); }
    XmlMemoryStream* memorySource() override { return &inner_; }

private:
    XmlFileStream::FileBlockSupplier supplier_;
    XmlMemoryStream inner_;
    int64_t base_;
};
