#include "ui_toolkit/Brush.h"

#include <cstring>
#include <utility>

namespace winui {

Brush::Brush(COLORREF color) : handle_(CreateSolidBrush(color)) {}

Brush::Brush(Brush&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Brush& Brush::operator=(Brush&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
}

Brush::~Brush() { reset(nullptr); }

void Brush::reset(HBRUSH handle) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
}

Brush Brush::fromLogBrush(const LOGBRUSH& logBrush) {
    Brush brush;
    brush.handle_ = CreateBrushIndirect(&logBrush);
    return brush;
}

bool Brush::getLogBrush(LOGBRUSH& logBrush) const {
    std::memset(&logBrush, 0, sizeof logBrush);
    if (!handle_) return false;
    if (GetObjectW(handle_, sizeof logBrush, &logBrush) != static_cast<int>(sizeof logBrush)) {
        std::memset(&logBrush, 0, sizeof logBrush);
        return false;
    }
    return true;
}

} // namespace winui
