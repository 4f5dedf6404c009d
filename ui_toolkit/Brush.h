#pragma once

#include <windows.h>

namespace winui {

// Owns one GDI brush (or none). Move-only: a brush is handed to a Canvas by reference and
// the canvas selects a private copy, so the owner may drop it at any time.
class Brush {
public:
    Brush() = default;
    // A solid brush of the colour (0x00BBGGRR).
    explicit Brush(COLORREF color);
    Brush(Brush&& other) noexcept;
    Brush& operator=(Brush&& other) noexcept;
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;
    virtual ~Brush();

    // A brush made from a LOGBRUSH as it stands (empty when the platform refuses it).
    static Brush fromLogBrush(const LOGBRUSH& logBrush);
    // Fills the LOGBRUSH of the brush; false (and a cleared record) for an empty brush.
    bool getLogBrush(LOGBRUSH& logBrush) const;

    HBRUSH handle() const { return handle_; }
    bool isNull() const { return handle_ == nullptr; }

private:
    void reset(HBRUSH handle);

    HBRUSH handle_ = nullptr;
};

} // namespace winui
