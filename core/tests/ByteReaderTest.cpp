#include "core/settings/ByteReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

TEST(ByteReaderTest, VarintFormsAndTheirThresholds) {
    const struct {
        uint16_t value;
        Bytes bytes;
    } cases[] = {
        {0, {0x00}},
        {126, {0x7E}},
        {127, {0xC1, 0xBF}},
        {200, {0xC3, 0x88}},
        {2046, {0xDF, 0xBE}},
        {2047, {0xE0, 0x9F, 0xBF}},
        {65535, {0xEF, 0xBF, 0xBF}},
    };
    for (const auto& c : cases) {
        Bytes out;
        writeVarint(out, c.value);
        EXPECT_EQ(out, c.bytes) << c.value;
        ByteReader in(out);
        EXPECT_EQ(readVarint(in), c.value);
        EXPECT_TRUE(in.atEnd());
        EXPECT_FALSE(in.failed());
    }
}

TEST(ByteReaderTest, LongerAndMalformedVarintForms) {
    const struct {
        Bytes bytes;
        uint16_t value;
        size_t consumed;
    } cases[] = {
        {{0xC0, 0x85}, 5, 2},          // longer forms of small values read back
        {{0xE0, 0x81, 0xA4}, 100, 3},
        {{0x80, 0x11}, 0, 1},          // a lone continuation byte
        {{0xF0, 0x11}, 0, 1},          // a lead the format does not have
        {{0xC1, 0x41, 0x11}, 0, 2},    // a continuation that does not fit is consumed all the same
        {{0xE1, 0x81, 0x41, 0x11}, 0, 3},
    };
    for (const auto& c : cases) {
        ByteReader in(c.bytes);
        EXPECT_EQ(readVarint(in), c.value);
        EXPECT_EQ(c.bytes.size() - in.remaining(), c.consumed);
        EXPECT_FALSE(in.failed());
    }
    for (const Bytes& cut : {Bytes{}, Bytes{0xC1}, Bytes{0xE0, 0x9F}}) {
        ByteReader in(cut);
        readVarint(in);
        EXPECT_TRUE(in.failed()) << cut.size();
    }
}

TEST(ByteReaderTest, StringsAreCountedUtf16) {
    Bytes out;
    writeString(out, L"H\u00e9");
    EXPECT_EQ(out, (Bytes{0x02, 0x00, 0x48, 0x00, 0xE9, 0x00}));
    ByteReader in(out);
    std::wstring text;
    ASSERT_TRUE(readString(in, text));
    EXPECT_EQ(text, L"H\u00e9");

    Bytes cut{0x03, 0x00, 0x41, 0x00};
    ByteReader shortIn(cut);
    text = L"kept";
    EXPECT_FALSE(readString(shortIn, text));
    EXPECT_EQ(text, L"kept");
    EXPECT_TRUE(shortIn.failed());
}

TEST(ByteReaderTest, LongStringsAreCutToTheCount) {
    const std::wstring longText(70000, L'x');
    EXPECT_EQ(stringByteSize(longText), 2u + 2u * 65535u);
    Bytes out;
    writeString(out, longText);
    EXPECT_EQ(out.size(), stringByteSize(longText));
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0xFF);
}

TEST(ByteReaderTest, ReadingPastTheEndFails) {
    const Bytes bytes{0x01, 0x02, 0x03};
    ByteReader in(bytes);
    EXPECT_EQ(in.readU16(), 0x0201);
    EXPECT_EQ(in.readU32(), 0u);
    EXPECT_TRUE(in.failed());
    EXPECT_EQ(in.remaining(), 1u);
    EXPECT_EQ(in.readBytes(2), nullptr);
    EXPECT_EQ(in.readU8(), 0x03);
}
