#include "tmx_engine/SegmentClipboard.h"

#include "tmx_engine/SegmentRenderer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> binaryOf(const Segment& segment) {
    std::vector<uint8_t> bytes;
    writeSegmentBinary(segment, bytes);
    return bytes;
}

// A message-only window to own the clipboard, as the programs' forms do.
class OwnerWindow {
public:
    OwnerWindow()
        : hwnd_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr)) {}
    ~OwnerWindow() {
        if (hwnd_ != nullptr)
            DestroyWindow(hwnd_);
    }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_;
};

struct ClipboardContents {
    bool opened = false;
    bool hasText = false;
    std::wstring text;
    bool hasPrivate = false;
    std::vector<uint8_t> bytes;
};

ClipboardContents readClipboard(size_t expectedPrivateSize) {
    ClipboardContents contents;
    if (!OpenClipboard(nullptr))
        return contents;
    contents.opened = true;
    if (HANDLE text = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* units = static_cast<const wchar_t*>(GlobalLock(text))) {
            contents.hasText = true;
            contents.text = units;
            GlobalUnlock(text);
        }
    }
    if (HANDLE data = GetClipboardData(segmentClipboardFormat())) {
        const size_t size = GlobalSize(data);
        if (const uint8_t* bytes = static_cast<const uint8_t*>(GlobalLock(data))) {
            contents.hasPrivate = true;
            // The system may round the block up; what counts is the data at its start.
            contents.bytes.assign(bytes, bytes + (size < expectedPrivateSize ? size : expectedPrivateSize));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return contents;
}

Segment taggedSegment() {
    return Segment{SegmentElement(SegmentElementKind::OpeningTag, L"g", L" id=\"1\""),
                   SegmentElement(SegmentElementKind::Word, L"Hi", L"hi"),
                   SegmentElement(SegmentElementKind::Space, L" "),
                   SegmentElement(SegmentElementKind::Placeholder, L"1"),
                   SegmentElement(SegmentElementKind::Punctuation, L"&"),
                   SegmentElement(SegmentElementKind::ClosingTag, L"g")};
}

} // namespace

TEST(SegmentClipboardTest, PrivateFormatBytes) {
    const std::vector<uint8_t> hi = {0x01, 0x01, 0x02, 0x00, 0x48, 0x00, 0x69,
                                     0x00, 0x02, 0x00, 0x68, 0x00, 0x69, 0x00};
    EXPECT_EQ(binaryOf(Segment{SegmentElement(SegmentElementKind::Word, L"Hi", L"hi")}), hi);
    EXPECT_EQ(binaryOf(Segment{}), std::vector<uint8_t>{0x00});

    // Appends to what the buffer holds.
    std::vector<uint8_t> buffer = {0xAA};
    writeSegmentBinary(Segment{SegmentElement(SegmentElementKind::ClosingTag, L"b")}, buffer);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{0xAA, 0x01, 0x07, 0x01, 0x00, 0x62, 0x00, 0x00, 0x00}));

    Segment many(200, SegmentElement(SegmentElementKind::Space, L" "));
    std::vector<uint8_t> bytes = binaryOf(many);
    ASSERT_EQ(bytes.size(), 2u + 200u * 7u);
    EXPECT_EQ(bytes[0], 0xC3);
    EXPECT_EQ(bytes[1], 0x88);
}

TEST(SegmentClipboardTest, CountAndElementsAgreePastTheCountLimit) {
    Segment huge(65537, SegmentElement(SegmentElementKind::Other, L""));
    std::vector<uint8_t> bytes = binaryOf(huge);
    // 65535 as three bytes, then exactly that many five-byte elements.
    ASSERT_EQ(bytes.size(), 3u + 65535u * 5u);
    EXPECT_EQ(bytes[0], 0xEF);
    EXPECT_EQ(bytes[1], 0xBF);
    EXPECT_EQ(bytes[2], 0xBF);
}

TEST(SegmentClipboardTest, CopyPutsTextAndPrivateFormatTogether) {
    ASSERT_NE(segmentClipboardFormat(), 0u);
    EXPECT_EQ(segmentClipboardFormat(), RegisterClipboardFormatW(L"2c5894ea-fe52-49e7-afc1-65d962581a04"));
    OwnerWindow owner;
    ASSERT_NE(owner.get(), nullptr);

    const Segment segment = taggedSegment();
    const std::vector<uint8_t> expected = binaryOf(segment);
    struct Flags {
        bool placeholders;
        bool tags;
    };
    for (const Flags flags : {Flags{false, false}, Flags{true, false}, Flags{true, true}}) {
        ASSERT_TRUE(copySegmentToClipboard(segment, flags.placeholders, flags.tags, owner.get()));
        ClipboardContents contents = readClipboard(expected.size());
        ASSERT_TRUE(contents.opened);
        EXPECT_TRUE(contents.hasText);
        EXPECT_EQ(contents.text, renderSegmentText(segment, flags.placeholders, flags.tags));
        EXPECT_TRUE(contents.hasPrivate);
        EXPECT_EQ(contents.bytes, expected);
    }
    EXPECT_EQ(readClipboard(0).text, L"<g id=\"1\">Hi <ph type=\"x-LPH\" x=\"1\"/>&amp;</g>");
}

TEST(SegmentClipboardTest, TextAloneReplacesAnEarlierCopyWhole) {
    OwnerWindow owner;
    ASSERT_TRUE(copySegmentToClipboard(taggedSegment(), true, true, owner.get()));

    // An empty segment leaves the clipboard as it was.
    EXPECT_FALSE(copySegmentToClipboard(Segment{}, true, true, owner.get()));
    EXPECT_TRUE(readClipboard(1).hasPrivate);

    ASSERT_TRUE(putClipboardText(L"plain \u00E9 text", owner.get()));
    ClipboardContents contents = readClipboard(1);
    EXPECT_EQ(contents.text, L"plain \u00E9 text");
    EXPECT_FALSE(contents.hasPrivate);

    // Without an owner window too.
    ASSERT_TRUE(putClipboardText(L"", nullptr));
    EXPECT_EQ(readClipboard(0).text, L"");
}

TEST(SegmentClipboardTest, BytesAloneInTheirFormat) {
    OwnerWindow owner;
    const std::vector<uint8_t> bytes = {0x00, 0x01, 0xFE, 0xFF, 0x7F};
    ASSERT_TRUE(putClipboardBytes(bytes, segmentClipboardFormat(), owner.get()));
    ClipboardContents contents = readClipboard(bytes.size());
    EXPECT_FALSE(contents.hasText);
    EXPECT_EQ(contents.bytes, bytes);
    EXPECT_FALSE(putClipboardBytes(bytes, 0, owner.get()));
}
