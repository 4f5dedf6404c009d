#pragma once

#include <string>

// The one rule by which the programs compare language codes: a lower-cased copy, and a code of
// exactly five units with '-' in the middle gets its region upper-cased where it is an ASCII
// letter (EN-gb -> en-GB, DE -> de, en-1x -> en-1X; zh-hans, pt_br and sr-Latn-RS keep their
// shape, lower-cased). The engine stores codes normalised this way in every index file and the
// filter keeps or drops variants by them, so the rule must not change.
std::wstring normaliseLanguageCode(const std::wstring& code);

// The same after the four blanks around the code are dropped. The engine reads xml:lang and
// srclang this way; the filter takes the code the user typed this way, but compares the codes of
// its input file untrimmed.
std::wstring trimAndNormaliseLanguageCode(const std::wstring& code);
