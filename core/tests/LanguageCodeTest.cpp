#include "core/util/LanguageCode.h"

#include <gtest/gtest.h>

#include <string>

// The engine stores codes made by this rule in its index files and the filter keeps variants by
// it: each row pins what both programs make of one code, as found in a file (untrimmed) and as
// read by the engine or typed by the user (trimmed).
TEST(LanguageCodeTest, OneRuleForEngineAndFilter) {
    static const struct {
        const char* label;
        const wchar_t* code;
        const wchar_t* normalised;
        const wchar_t* trimmed;
    } cases[] = {
        {"region upper-cased", L"EN-gb", L"en-GB", L"en-GB"},
        {"already normal", L"de-DE", L"de-DE", L"de-DE"},
        {"language lower-cased", L"DE-de", L"de-DE", L"de-DE"},
        {"bare language", L"DE", L"de", L"de"},
        {"empty", L"", L"", L""},
        {"script subtag stays lower", L"zh-hans", L"zh-hans", L"zh-hans"},
        {"underscore is no separator", L"pt_br", L"pt_br", L"pt_br"},
        {"digits keep, letters rise", L"en-1x", L"en-1X", L"en-1X"},
        {"lower-case region", L"pt-br", L"pt-BR", L"pt-BR"},
        {"numeric region", L"es-419", L"es-419", L"es-419"},
        {"dash elsewhere", L"x-1Ab", L"x-1ab", L"x-1ab"},
        {"three subtags", L"sr-Latn-RS", L"sr-latn-rs", L"sr-latn-rs"},
        {"not a code", L"*all*", L"*all*", L"*all*"},
        // Only the four blanks are trimmed, and only by the trimming form: a padded code in a
        // file is no five-unit code to the filter.
        {"padded", L" EN-us ", L" en-us ", L"en-US"},
        {"tab and line ends", L"\ten\r\n", L"\ten\r\n", L"en"},
        {"blanks only", L" \t\r\n", L" \t\r\n", L""},
        {"no-break space is no blank", L"\u00A0de-at", L"\u00A0de-at", L"\u00A0de-at"},
        // Only ASCII letters are upper-cased in the region; lower-casing follows the system's.
        {"non-ASCII region", L"de-\u00C4\u00C4", L"de-\u00E4\u00E4", L"de-\u00E4\u00E4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(normaliseLanguageCode(c.code), c.normalised) << c.label;
        EXPECT_EQ(trimAndNormaliseLanguageCode(c.code), c.trimmed) << c.label;
    }
}
