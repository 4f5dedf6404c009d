#include "ui_toolkit/Pen.h"

#include <cstring>
#include <utility>

namespace winui {

Pen::Pen(int style, int width, COLORREF color) : handle_(CreatePen(style, width, color)) {}

Pen::Pen(Pen&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Pen& Pen::operator=(Pen&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
}

Pen::~Pen() { reset(nullptr); }

void Pen::reset(HPEN handle) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
}

Pen Pen::fromLogPen(const LOGPEN& logPen) {
    Pen pen;
    pen.handle_ = CreatePenIndirect(&logPen);
    return pen;
}

bool Pen::getLogPen(LOGPEN& logPen) const {
    std::memset(&logPen, 0, sizeof logPen);
    if (!handle_) return false;
    if (GetObjectW(handle_, sizeof logPen, &logPen) != static_cast<int>(sizeof logPen)) {
        std::memset(&logPen, 0, sizeof logPen);
        return false;
    }
    return true;
}

} // namespace winui
