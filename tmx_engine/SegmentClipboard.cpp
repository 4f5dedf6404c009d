#include "tmx_engine/SegmentClipboard.h"

#include "core/settings/ByteReader.h"
#include "tmx_engine/SegmentRenderer.h"

#include <cstring>
#include <new>

namespace {

const wchar_t kFormatName[] = L"2c5894ea-fe52-49e7-afc1-65d962581a04";
const size_t kMaxElements = 65535;

// The clipboard, open from construction to destruction.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope() {
        if (open_)
            CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;

    bool isOpen() const { return open_; }

private:
    bool open_;
};

// A movable global block that is freed unless the clipboard took it.
class GlobalBlock {
public:
    GlobalBlock(const void* data, size_t size, size_t padding)
        : handle_(GlobalAlloc(GMEM_MOVEABLE, size + padding)) {
        if (handle_ == nullptr)
            return;
        void* target = GlobalLock(handle_);
        if (target == nullptr) {
            GlobalFree(handle_);
            handle_ = nullptr;
            return;
        }
        if (size != 0)
            std::memcpy(target, data, size);
        std::memset(static_cast<char*>(target) + size, 0, padding);
        GlobalUnlock(handle_);
    }
    ~GlobalBlock() {
        if (handle_ != nullptr)
            GlobalFree(handle_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    // Hands the block to the clipboard; after success the clipboard owns it.
    bool putAs(UINT format) {
        if (handle_ == nullptr || SetClipboardData(format, handle_) == nullptr)
            return false;
        handle_ = nullptr;
        return true;
    }

private:
    HGLOBAL handle_;
};

bool setText(const std::wstring& text) {
    // The text format wants a terminating zero unit.
    GlobalBlock block(text.data(), text.size() * sizeof(wchar_t), sizeof(wchar_t));
    return block.putAs(CF_UNICODETEXT);
}

bool setBytes(const std::vector<uint8_t>& bytes, UINT format) {
    if (format == 0)
        return false;
    GlobalBlock block(bytes.data(), bytes.size(), 0);
    return block.putAs(format);
}

} // namespace

UINT segmentClipboardFormat() {
    static const UINT format = RegisterClipboardFormatW(kFormatName);
    return format;
}

void writeSegmentBinary(const Segment& segment, std::vector<uint8_t>& out) {
    const size_t count = segment.size() < kMaxElements ? segment.size() : kMaxElements;
    writeVarint(out, static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const SegmentElement& element = segment[i];
        out.push_back(static_cast<uint8_t>(static_cast<int32_t>(element.kind) & 0xFF));
        writeString(out, element.text);
        writeString(out, element.extra);
    }
}

bool copySegmentToClipboard(const Segment& segment, bool showPlaceholders, bool showTags,
                            HWND owner) {
    if (segment.empty())
        return false;
    std::wstring text;
    std::vector<uint8_t> bytes;
    try {
        text = renderSegmentText(segment, showPlaceholders, showTags);
        bytes = makeByteBuffer();
        writeSegmentBinary(segment, bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const UINT format = segmentClipboardFormat();

    // One opening for both formats, so that the text and the private data always describe the
    // same copy: a failed opening leaves the previous copy whole.
    OpenClipboardScope clipboard(owner);
    if (!clipboard.isOpen() || !EmptyClipboard())
        return false;
    const bool textSet = setText(text);
    const bool bytesSet = setBytes(bytes, format);
    return textSet && bytesSet;
}

bool putClipboardText(const std::wstring& text, HWND owner) {
    OpenClipboardScope clipboard(owner);
    if (!clipboard.isOpen() || !EmptyClipboard())
        return false;
    return setText(text);
}

bool putClipboardBytes(const std::vector<uint8_t>& bytes, UINT format, HWND owner) {
    if (format == 0)
        return false;
    OpenClipboardScope clipboard(owner);
    if (!clipboard.isOpen() || !EmptyClipboard())
        return false;
    return setBytes(bytes, format);
}
