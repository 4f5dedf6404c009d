#include "core/util/Utf8.h"

void appendUtf8(std::string& out, const wchar_t* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        unsigned unit = static_cast<unsigned>(text[i]) & 0xFFFF;
        if (unit < 0x80) {
            out.push_back(static_cast<char>(unit));
            continue;
        }
        if (unit < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
            continue;
        }
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < length) {
            const unsigned low = static_cast<unsigned>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low < 0xE000) {
                const unsigned code = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                out.push_back(static_cast<char>(0xF0 | (code >> 18)));
                out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
                out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
                out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
                ++i;
                continue;
            }
        }
        out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
        out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
}

void appendUtf8(std::string& out, const std::wstring& text) {
    appendUtf8(out, text.data(), text.size());
}

std::string toUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    appendUtf8(out, text);
    return out;
}
