#include "core/http/UrlEncoding.h"

#include "core/util/Utf8.h"

#include <cstring>

namespace {

const char kHexDigits[] = "0123456789abcdef";

// Units needed for one byte of encoded output.
std::size_t encodedWidth(unsigned char byte) {
    return (byte == ' ' || isUrlSafeChar(byte)) ? 1 : 3;
}

bool isHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool isLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

} // namespace

bool isUrlSafeChar(unsigned char byte) {
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9'))
        return true;
    return byte != 0 && std::strchr("!,-.;|~", byte) != nullptr;
}

std::size_t urlEncode(const std::wstring& value, wchar_t* out, std::size_t room) {
    if (room == 0)
        return 0;
    const std::size_t limit = room - 1; // the last unit is the NUL's
    std::size_t written = 0;
    std::string bytes; // one character's UTF-8 form; small enough to stay in place
    for (std::size_t i = 0; i < value.size();) {
        // A valid surrogate pair is one character and travels as one four-byte sequence.
        std::size_t units = 1;
        if (isHighSurrogate(value[i]) && i + 1 < value.size() && isLowSurrogate(value[i + 1]))
            units = 2;
        bytes.clear();
        if (static_cast<unsigned>(value[i]) < 0x80)
            bytes.push_back(static_cast<char>(value[i]));
        else
            appendUtf8(bytes, value.data() + i, units);

        std::size_t width = 0;
        for (char c : bytes)
            width += encodedWidth(static_cast<unsigned char>(c));
        if (written + width > limit)
            break;
        for (char c : bytes) {
            const unsigned char byte = static_cast<unsigned char>(c);
            if (byte == ' ') {
                out[written++] = L'+';
            } else if (isUrlSafeChar(byte)) {
                out[written++] = static_cast<wchar_t>(byte);
            } else {
                out[written++] = L'%';
                out[written++] = static_cast<wchar_t>(kHexDigits[byte >> 4]);
                out[written++] = static_cast<wchar_t>(kHexDigits[byte & 0x0F]);
            }
        }
        i += units;
    }
    out[written] = L'\0';
    return written;
}

std::size_t buildRequestUrl(std::size_t room, const std::wstring& baseUrl,
                            const HttpParameter* parameters, std::size_t count, wchar_t* out) {
    if (room == 0)
        return 0;
    const std::size_t limit = room - 1;
    if (baseUrl.size() > limit) {
        out[0] = L'\0';
        return 0;
    }
    std::size_t length = baseUrl.size();
    baseUrl.copy(out, length);

    for (std::size_t i = 0; i < count; ++i) {
        // The separator itself needs a unit before the NUL.
        if (length >= limit)
            break;
        out[length++] = (i == 0) ? L'?' : L'&';
        const std::wstring& name = parameters[i].name;
        // The name and '=' must leave at least one unit for the value, or the URL ends here.
        if (length + name.size() + 1 >= limit)
            break;
        name.copy(out + length, name.size());
        length += name.size();
        out[length++] = L'=';
        length += urlEncode(parameters[i].value, out + length, room - length);
    }
    out[length] = L'\0';
    return length;
}
