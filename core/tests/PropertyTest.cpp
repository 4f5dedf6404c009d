#include "core/settings/Property.h"

#include <gtest/gtest.h>

#include <climits>

#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

template <typename T>
Bytes bytesOf(const T& value) {
    Property<T> property;
    property.value = value;
    Bytes out;
    property.write(out);
    EXPECT_EQ(out.size(), property.size()) << "size() must agree with write()";
    return out;
}

template <typename T>
T readBack(const Bytes& bytes) {
    Property<T> property;
    ByteReader in(bytes);
    EXPECT_TRUE(property.read(in));
    EXPECT_TRUE(in.atEnd());
    return property.value;
}

class ResolutionGuard {
public:
    explicit ResolutionGuard(int32_t dpi) : saved_(winui::screenDpiY) { winui::screenDpiY = dpi; }
    ~ResolutionGuard() { winui::screenDpiY = saved_; }

private:
    int32_t saved_;
};

} // namespace

TEST(PropertyTest, ByteFormsOfThePlainTypes) {
    EXPECT_EQ(bytesOf<std::wstring>(L"ab"), (Bytes{0x02, 0x00, 0x61, 0x00, 0x62, 0x00}));
    EXPECT_EQ(bytesOf<std::wstring>(L""), (Bytes{0x00, 0x00}));
    EXPECT_EQ(bytesOf(winui::Rect(1, -2, 0x0300, 4)),
              (Bytes{1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0, 3, 0, 0, 4, 0, 0, 0}));
    EXPECT_EQ(bytesOf(true), (Bytes{0x01}));
    EXPECT_EQ(bytesOf(false), (Bytes{0x00}));
    EXPECT_EQ(bytesOf(-2), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(bytesOf(0x01020304u), (Bytes{0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(bytesOf(0x00332211ul), (Bytes{0x11, 0x22, 0x33, 0x00}));
    EXPECT_EQ(bytesOf(FT(0x1122334455667788ull)), (Bytes{0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
}

TEST(PropertyTest, PlainTypesReadBack) {
    EXPECT_EQ(readBack<std::wstring>(bytesOf<std::wstring>(L"Stra\u00dfe")), L"Stra\u00dfe");
    EXPECT_EQ(readBack<winui::Rect>(bytesOf(winui::Rect(-5, 6, 700, 80000))), winui::Rect(-5, 6, 700, 80000));
    EXPECT_EQ(readBack<int>(bytesOf(-123456)), -123456);
    EXPECT_EQ(readBack<unsigned int>(bytesOf(0xEEEEEEEEu)), 0xEEEEEEEEu);
    EXPECT_EQ(readBack<unsigned long>(bytesOf(0xFFFFFFFFul)), 0xFFFFFFFFul);
    EXPECT_EQ(readBack<FT>(bytesOf(FT(0x01D9000012345678ull))), FT(0x01D9000012345678ull));

    FILETIME time;
    time.dwLowDateTime = 0x89ABCDEF;
    time.dwHighDateTime = 0x01234567;
    const FT date = FT::fromFileTime(time);
    EXPECT_EQ(bytesOf(date), (Bytes{0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}));
    EXPECT_EQ(date.toFileTime().dwLowDateTime, time.dwLowDateTime);
    EXPECT_EQ(date.toFileTime().dwHighDateTime, time.dwHighDateTime);
}

TEST(PropertyTest, StoredBoolByteIsKeptWhileTrue) {
    Property<bool> flag;
    const Bytes stored{0x02};
    ByteReader in(stored);
    ASSERT_TRUE(flag.read(in));
    EXPECT_TRUE(flag.value);
    Bytes out;
    flag.write(out);
    EXPECT_EQ(out, Bytes{0x02});

    flag.value = false;
    out.clear();
    flag.write(out);
    EXPECT_EQ(out, Bytes{0x00});
    flag.value = true;
    out.clear();
    flag.write(out);
    EXPECT_EQ(out, Bytes{0x02});
}

TEST(PropertyTest, LongStringsKeepSizeAndWriteInAgreement) {
    // 32,767 units is the first length whose byte form no longer fits 16 bits.
    for (size_t units : {32766u, 32767u, 65535u, 70000u}) {
        Property<std::wstring> text;
        text.value.assign(units, L'x');
        Bytes out;
        text.write(out);
        EXPECT_EQ(out.size(), text.size()) << units;
    }
}

TEST(PropertyTest, FontIsStoredByItsDescription) {
    ResolutionGuard dpi(144); // where 9.5 pt is a whole number of pixels
    const Bytes bytes = bytesOf(winui::Font(L"Arial", 9.5f, winui::FontBold | winui::FontItalic));
    EXPECT_EQ(bytes, (Bytes{0x05, 0x00, 'A', 0, 'r', 0, 'i', 0, 'a', 0, 'l', 0, // face
                            0x1C, 0x25, 0x00, 0x00,                            // 9500
                            0x03, 0x00}));                                     // bold, italic

    const winui::Font font = readBack<winui::Font>(bytes);
    LOGFONTW lf;
    ASSERT_TRUE(font.getLogFont(lf));
    EXPECT_EQ(lf.lfHeight, -19); // 9.5001 pt
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_STREQ(lf.lfFaceName, L"Arial");
    EXPECT_EQ(bytesOf(font), bytes);
}

TEST(PropertyTest, FontSizeSettlesToWholePixels) {
    ResolutionGuard dpi(96);
    // 10 pt becomes 13 pixels, which describe themselves as 9.75 pt.
    const Bytes bytes = bytesOf(winui::Font(L"Tahoma", 10.0f, 0));
    EXPECT_EQ(Bytes(bytes.begin() + 14, bytes.begin() + 18), (Bytes{0x16, 0x26, 0x00, 0x00})); // 9750
    EXPECT_EQ(bytesOf(readBack<winui::Font>(bytes)), bytes);

    // A null font is stored as an empty face, size 0 and no style, and reads back as null.
    const Bytes none = bytesOf(winui::Font());
    EXPECT_EQ(none, (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(readBack<winui::Font>(none).isNull());
}

// A size outside 1 to 200 points is a damaged file: the font reads as no value (the reader's
// default), and its bytes are kept as they came.
TEST(PropertyTest, FontSizesOutsideTheSaneRangeReadAsNoValue) {
    const struct {
        int32_t thousandths;
        bool taken;
    } cases[] = {
        {1000, true}, {9500, true}, {200000, true}, {999, false}, {0, false}, {-9000, false},
        {200001, false}, {16777000, false}, {30000000, false}, {INT32_MIN, false},
    };
    for (const auto& c : cases) {
        Bytes bytes = {1, 0, 'A', 0};
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(c.thousandths) >> shift));
        bytes.push_back(0);
        bytes.push_back(0);
        Property<winui::Font> font;
        ByteReader in(bytes);
        EXPECT_EQ(font.read(in), c.taken) << c.thousandths;
        EXPECT_EQ(font.value.isNull(), !c.taken) << c.thousandths;
    }

}

TEST(PropertyTest, ShortBytesFailAndLeaveTheValue) {
    const Bytes damaged[] = {{}, {0x05, 0x00, 'A', 0}, {1, 2, 3}};
    for (const Bytes& bytes : damaged) {
        Property<winui::Rect> rect;
        rect.value = winui::Rect(1, 2, 3, 4);
        ByteReader rectIn(bytes);
        EXPECT_FALSE(rect.read(rectIn));
        EXPECT_EQ(rect.value, winui::Rect(1, 2, 3, 4));

        Property<std::wstring> text;
        text.value = L"kept";
        ByteReader textIn(bytes);
        EXPECT_FALSE(text.read(textIn));
        EXPECT_EQ(text.value, L"kept");

        Property<winui::Font> font;
        font.value = winui::Font(L"Arial", 12.0f, 0);
        const HFONT before = font.value.handle();
        ByteReader fontIn(bytes);
        EXPECT_FALSE(font.read(fontIn));
        EXPECT_EQ(font.value.handle(), before);
    }
}
