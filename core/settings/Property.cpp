#include "core/settings/Property.h"

namespace {

bool readValue(ByteReader& in, std::wstring& value) {
    std::wstring text;
    if (!readString(in, text)) return false;
    value.swap(text);
    return true;
}
void writeValue(std::vector<uint8_t>& out, const std::wstring& value) { writeString(out, value); }
size_t valueSize(const std::wstring& value) { return stringByteSize(value); }

// A font is stored by its description: the face, the size in thousandths of a point and
// the style bits. Sizes settle after one pass (see winui::Font), so a font read back can
// describe itself slightly smaller than the stored number.
// Stored sizes outside 1 to 200 points come from a damaged file, not from a user: such a font
// would fill the window and cost more memory than the program has. It reads as no value, so
// the reader's default applies and the bytes stay as they are.
constexpr int32_t kMinFontThousandths = 1000;
constexpr int32_t kMaxFontThousandths = 200000;

bool readValue(ByteReader& in, winui::Font& value) {
    std::wstring face;
    if (!readString(in, face)) return false;
    const int32_t thousandths = in.readI32();
    const uint16_t style = in.readU16();
    if (in.failed()) return false;
    // A null font is stored as an empty face and size 0.
    const bool null = face.empty() && thousandths == 0;
    if (!null && (thousandths < kMinFontThousandths || thousandths > kMaxFontThousandths)) return false;
    const float size = static_cast<float>((thousandths + 0.1) / 1000.0);
    value = winui::Font(face, size, style);
    return true;
}
void writeValue(std::vector<uint8_t>& out, const winui::Font& value) {
    std::wstring face;
    float size = 0;
    uint16_t style = 0;
    value.describe(face, size, style);
    writeString(out, face);
    writeU32(out, static_cast<uint32_t>(static_cast<int32_t>(size * 1000.0 + 0.5)));
    writeU16(out, style);
}
size_t valueSize(const winui::Font& value) {
    std::wstring face;
    float size = 0;
    uint16_t style = 0;
    value.describe(face, size, style);
    return stringByteSize(face) + 6;
}

bool readValue(ByteReader& in, winui::Rect& value) {
    winui::Rect rect;
    rect.left = in.readI32();
    rect.top = in.readI32();
    rect.right = in.readI32();
    rect.bottom = in.readI32();
    if (in.failed()) return false;
    value = rect;
    return true;
}
void writeValue(std::vector<uint8_t>& out, const winui::Rect& value) {
    writeU32(out, static_cast<uint32_t>(value.left));
    writeU32(out, static_cast<uint32_t>(value.top));
    writeU32(out, static_cast<uint32_t>(value.right));
    writeU32(out, static_cast<uint32_t>(value.bottom));
}
size_t valueSize(const winui::Rect&) { return 16; }

// int, unsigned int and unsigned long are all four bytes on Windows.
template <typename T>
bool readU32Value(ByteReader& in, T& value) {
    const uint32_t raw = in.readU32();
    if (in.failed()) return false;
    value = static_cast<T>(raw);
    return true;
}
bool readValue(ByteReader& in, int& value) { return readU32Value(in, value); }
bool readValue(ByteReader& in, unsigned int& value) { return readU32Value(in, value); }
bool readValue(ByteReader& in, unsigned long& value) { return readU32Value(in, value); }
void writeValue(std::vector<uint8_t>& out, int value) { writeU32(out, static_cast<uint32_t>(value)); }
void writeValue(std::vector<uint8_t>& out, unsigned int value) { writeU32(out, value); }
void writeValue(std::vector<uint8_t>& out, unsigned long value) { writeU32(out, static_cast<uint32_t>(value)); }
size_t valueSize(int) { return 4; }
size_t valueSize(unsigned int) { return 4; }
size_t valueSize(unsigned long) { return 4; }

bool readValue(ByteReader& in, FT& value) {
    const uint32_t low = in.readU32();
    const uint32_t high = in.readU32();
    if (in.failed()) return false;
    value = FT((static_cast<uint64_t>(high) << 32) | low);
    return true;
}
void writeValue(std::vector<uint8_t>& out, const FT& value) {
    writeU32(out, static_cast<uint32_t>(value.value));
    writeU32(out, static_cast<uint32_t>(value.value >> 32));
}
size_t valueSize(const FT&) { return 8; }

} // namespace

static_assert(sizeof(int) == 4 && sizeof(unsigned int) == 4 && sizeof(unsigned long) == 4,
              "the settings' number forms are four bytes");

template <typename T>
bool Property<T>::read(ByteReader& in) {
    return readValue(in, value);
}

template <typename T>
void Property<T>::write(std::vector<uint8_t>& out) const {
    writeValue(out, value);
}

template <typename T>
size_t Property<T>::size() const {
    return valueSize(value);
}

template class Property<std::wstring>;
template class Property<winui::Font>;
template class Property<winui::Rect>;
template class Property<int>;
template class Property<unsigned int>;
template class Property<unsigned long>;
template class Property<FT>;

bool Property<bool>::read(ByteReader& in) {
    const uint8_t byte = in.readU8();
    if (in.failed()) return false;
    storedByte_ = byte;
    value = byte != 0;
    return true;
}

void Property<bool>::write(std::vector<uint8_t>& out) const {
    // Keep a stored non-zero byte as long as the value is still true.
    const bool keep = value && storedByte_ != 0;
    out.push_back(keep ? storedByte_ : static_cast<uint8_t>(value ? 1 : 0));
}
