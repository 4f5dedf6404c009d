#include "filter_tool/PositionCountingStream.h"

PositionCountingStream::PositionCountingStream(XmlStream& inner)
    : inner_(inner),
      position_(static_cast<uint32_t>(inner.position())),
      lastLow_(static_cast<uint32_t>(inner.position())) {}

void PositionCountingStream::advance() {
    const uint32_t low = static_cast<uint32_t>(inner_.position());
    position_ += static_cast<uint32_t>(low - lastLow_);
    lastLow_ = low;
}

uint16_t PositionCountingStream::getChar() {
    const uint16_t unit = inner_.getChar();
    advance();
    return unit;
}

int32_t PositionCountingStream::getChars(wchar_t* dest, int32_t room) {
    const int32_t count = inner_.getChars(dest, room);
    advance();
    return count;
}
