#include "core/xml/XmlStream.h"

static_assert(sizeof(wchar_t) == 2, "text is held as UTF-16 units");

int32_t XmlStream::getChars(wchar_t* dest, int32_t room) {
    int32_t count = 0;
    while (count < room) {
        const wchar_t unit = static_cast<wchar_t>(getChar());
        dest[count++] = unit;
        if (unit == 0 || unit == L'<' || unit == L'>') {
            break;
        }
    }
    return count;
}
