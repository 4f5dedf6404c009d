#pragma once

#include <windows.h>

namespace winui {

// Owns one GDI pen (or none). Move-only; a Canvas selects a private copy of it.
class Pen {
public:
    Pen() = default;
    // CreatePen of the style (PS_SOLID, ...), width in pixels and colour (0x00BBGGRR).
    Pen(int style, int width, COLORREF color);
    Pen(Pen&& other) noexcept;
    Pen& operator=(Pen&& other) noexcept;
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;
    virtual ~Pen();

    // A pen made from a LOGPEN as it stands (empty when the platform refuses it).
    static Pen fromLogPen(const LOGPEN& logPen);
    // Fills the LOGPEN of the pen; false (and a cleared record) for an empty pen.
    bool getLogPen(LOGPEN& logPen) const;

    HPEN handle() const { return handle_; }
    bool isNull() const { return handle_ == nullptr; }

private:
    void reset(HPEN handle);

    HPEN handle_ = nullptr;
};

} // namespace winui
