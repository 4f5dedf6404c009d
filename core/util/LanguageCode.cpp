#include "core/util/LanguageCode.h"

#include "core/util/StringUtils.h"

std::wstring normaliseLanguageCode(const std::wstring& code) {
    std::wstring result = toLowerCase(code);
    if (result.size() == 5 && result[2] == L'-') {
        for (size_t i = 3; i < 5; ++i) {
            if (result[i] >= L'a' && result[i] <= L'z')
                result[i] = static_cast<wchar_t>(result[i] - L'a' + L'A');
        }
    }
    return result;
}

std::wstring trimAndNormaliseLanguageCode(const std::wstring& code) {
    return normaliseLanguageCode(trim(code));
}
