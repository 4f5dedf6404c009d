#include "tmx_engine/WordTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using K = SegmentElementKind;

std::vector<SegmentElement> tokensOf(const std::wstring& text) {
    Segment segment;
    appendTokens(segment, text);
    return segment;
}

std::wstring describe(const std::vector<SegmentElement>& tokens) {
    std::wstring out;
    for (const SegmentElement& t : tokens) {
        out += L'[';
        out += static_cast<wchar_t>(L'0' + static_cast<int>(t.kind));
        out += L':';
        out += t.text;
        if (!t.extra.empty()) {
            out += L'/';
            out += t.extra;
        }
        out += L']';
    }
    return out;
}

struct TokenCase {
    const wchar_t* text;
    const wchar_t* tokens; // kind:text/lower-cased text of each token
};

template <size_t N>
void expectTokens(const TokenCase (&cases)[N]) {
    for (const TokenCase& c : cases)
        EXPECT_EQ(describe(tokensOf(c.text)), c.tokens) << "text: " << ::testing::PrintToString(std::wstring(c.text));
}

TEST(WordTokenizerTest, CutsTextIntoKindsOfTokens) {
    const TokenCase cases[] = {
        {L"", L""},
        {L"Hello, world", L"[1:Hello/hello][2:,][3: ][1:world/world]"},
        {L"Caf\u00E9", L"[1:Caf\u00E9/caf\u00E9]"},
        {L"U.S.A.", L"[0:U.S.A][2:.]"},
        {L"www.abc.de", L"[1:www/www][2:.][0:abc.de]"},
        {L"e.g., so", L"[0:e.g][2:.,][3: ][1:so/so]"},
        {L"a.b..c", L"[0:a.b..c]"},
        {L"end.", L"[1:end/end][2:.]"},
        {L"R&D", L"[1:R/r][1:&/&][1:D/d]"},
        {L"A && B", L"[1:A/a][3: ][0:&&][3: ][1:B/b]"},
        {L"#$", L"[0:#$]"},
        {L"\u6771\u4EAC", L"[0:\u6771][0:\u4EAC]"},
        {L"\u6771\u3031\u3032", L"[0:\u6771\u3031\u3032]"},
        {L"a   b", L"[1:a/a][3:   ][1:b/b]"},
        {L"\u00A0  ", L"[3:\u00A0  ]"},
        {L"  \u00A0", L"[3:  ][3:\u00A0]"},
        {L"x-ray", L"[1:x/x][2:-][1:ray/ray]"},
        {L"2024 12", L"[0:2024][3: ][0:12]"},
        {L"don\u2019t", L"[1:don\u2019t/don\u2019t]"},
        {L"abc|def abc{def}", L"[1:abc|def/abc|def][3: ][1:abc{def/abc{def][2:}]"},
        {L"{|}x", L"[2:{|}][1:x/x]"},
        {L"|(", L"[2:|][2:(]"},
        {L"\u041F\u0440\u0438\u0432\u0435\u0442", L"[1:\u041F\u0440\u0438\u0432\u0435\u0442/\u043F\u0440\u0438\u0432\u0435\u0442]"},
        {L"\uFF21\uFF22\uFF0C", L"[1:\uFF21\uFF22/\uFF41\uFF42][2:\uFF0C]"},
    };
    expectTokens(cases);
}

// Quotes, braces, bars, dashes, guillemets and the ellipsis may stand inside a word but never
// close one: what follows a word is punctuation of its own, as after a blank.
TEST(WordTokenizerTest, PunctuationJoinsAWordOnlyBeforeALetter) {
    const TokenCase cases[] = {
        {L"Open File\u2026 now", L"[1:Open/open][3: ][1:File/file][2:\u2026][3: ][1:now/now]"},
        {L"the \u201Cfile\u201D scheme", L"[1:the/the][3: ][2:\u201C][1:file/file][2:\u201D][3: ][1:scheme/scheme]"},
        {L"\u00ABmot\u00BB x", L"[2:\u00AB][1:mot/mot][2:\u00BB][3: ][1:x/x]"},
        {L"APPID [FILE\u2026]", L"[1:APPID/appid][3: ][2:[][1:FILE/file][2:\u2026][2:]]"},
        {L"don\u2019t", L"[1:don\u2019t/don\u2019t]"},
        {L"abc|def", L"[1:abc|def/abc|def]"},
        {L"abc{def}", L"[1:abc{def/abc{def][2:}]"},
        {L"x\u2019 y", L"[1:x/x][2:\u2019][3: ][1:y/y]"},
        {L"x\u2019", L"[1:x/x][2:\u2019]"},
        {L"Save As...", L"[1:Save/save][3: ][1:As/as][2:...]"},
        // A run of joining punctuation after a word is one token; one before a letter still joins.
        {L"end\u2026\u201D", L"[1:end/end][2:\u2026\u201D]"},
        {L"a\u2019\u2019b", L"[1:a/a][2:\u2019\u2019][1:b/b]"},
        {L"x\u2014y z\u2014", L"[1:x\u2014y/x\u2014y][3: ][1:z/z][2:\u2014]"},
        {L"well\u2026done", L"[1:well\u2026done/well\u2026done]"},
        // Combining marks and the CJK repeat marks still extend a word wherever they stand.
        {L"e\u0301 a\u3031", L"[1:e\u0301/e\u0301][3: ][1:a\u3031/a\u3031]"},
        // A dotted word still ends at its last letter; a quote before the dot ends the word.
        {L"U.S.A\u2026", L"[0:U.S.A][2:\u2026]"},
        {L"abc\u201D.de", L"[1:abc/abc][2:\u201D][2:.][1:de/de]"},
        // Full-width braces are braces.
        {L"ab\uFF5D", L"[1:ab/ab][2:\uFF5D]"},
    };
    expectTokens(cases);
}

TEST(WordTokenizerTest, LineBreaksEndWordsLikeBlanks) {
    const TokenCase cases[] = {
        {L"two\nLines", L"[1:two/two][3:\n][1:Lines/lines]"},
        {L"applications\r\nfor", L"[1:applications/applications][3:\r\n][1:for/for]"},
        {L"a\u2028b\u2029c", L"[1:a/a][3:\u2028][1:b/b][3:\u2029][1:c/c]"},
        {L"\nword\n", L"[3:\n][1:word/word][3:\n]"},
        {L"\r\nEnd.\r\n", L"[3:\r\n][1:End/end][2:.][3:\r\n]"},
        {L"line \n\tnext", L"[1:line/line][3: \n\t][1:next/next]"},
        {L"x\x0By\x0Cz\x85w", L"[1:x/x][3:\x0B][1:y/y][3:\x0C][1:z/z][3:\x85][1:w/w]"},
        // A no-break space still starts a run of its own, also after a line break.
        {L"a\n\u00A0b", L"[1:a/a][3:\n][3:\u00A0][1:b/b]"},
        {L"e.g\nx", L"[0:e.g][3:\n][1:x/x]"},
    };
    expectTokens(cases);

    for (const wchar_t unit : {L'\n', L'\x0B', L'\x0C', L'\r', L'\x85', L'\u2028', L'\u2029'})
        EXPECT_TRUE(isLineBreak(unit)) << std::hex << static_cast<unsigned>(unit);
    for (const wchar_t unit : {L'\t', L' ', L'\u00A0', L'\u2027', L'\x84', L'\0'})
        EXPECT_FALSE(isLineBreak(unit)) << std::hex << static_cast<unsigned>(unit);
}

TEST(WordTokenizerTest, KeepsACharacterAboveFFFFInOneToken) {
    const TokenCase cases[] = {
        {L"a\U0001F600b", L"[1:a/a][0:\U0001F600][1:b/b]"},
        {L"\U0001F600\U0001F600", L"[0:\U0001F600][0:\U0001F600]"},
        {L"\U0002000B\u3031", L"[0:\U0002000B\u3031]"},
        // Lone surrogates stay tokens of their own.
        {L"\xD83D" L"x", L"[0:\xD83D][1:x/x]"},
        {L"\xDE00\xDE00", L"[0:\xDE00][0:\xDE00]"},
    };
    expectTokens(cases);
}

TEST(WordTokenizerTest, EmptyTextGivesNoTokenAndPositionsCoverTheText) {
    const std::wstring empty;
    WordTokenizer none(empty);
    EXPECT_EQ(none.start(), none.end());

    const std::wstring text = L"ab, c";
    WordTokenizer t(text);
    std::vector<std::pair<uint32_t, uint32_t>> spans;
    while (t.start() != t.end()) {
        spans.emplace_back(t.start(), t.end());
        if (t.advance())
            t.next();
    }
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{0, 2}, {2, 3}, {3, 4}, {4, 5}};
    EXPECT_EQ(spans, expected);
    EXPECT_FALSE(t.advance());
    EXPECT_EQ(t.start(), 5u);
    EXPECT_EQ(t.end(), 5u);
}

TEST(WordTokenizerTest, CharacterClassesFollowTheTable) {
    const std::pair<wchar_t, uint16_t> cases[] = {
        {L'\t', 0x40},    {L'\n', 0x40},    {L'!', 0x80},     {L'#', 0},        {L'-', 0x80},
        {L'0', 0x20},     {L'A', 0x0B},     {L'`', 0x09},     {L'z', 0x09},     {L'{', 0x84},
        {L'~', 0},        {0x9F, 0},        {0xA0, 0xC0},     {0xAB, 0x84},     {0xB5, 0},
        {0xC0, 0x0F},     {0xD7, 0},        {0xDF, 0x0D},     {0xF7, 0},        {0x100, 0x0F},
        {0x101, 0x0D},    {0x178, 0x0F},    {0x179, 0x0F},    {0x17A, 0x0D},    {0x17E, 0x0D},
        {0x17F, 0},       {0x1CD, 0x0F},    {0x1CE, 0x0D},    {0x1DC, 0x0D},    {0x1DD, 0},
        {0x1F5, 0x0D},    {0x1F6, 0},       {0x1F8, 0x0F},    {0x1F9, 0x0D},    {0x250, 0x0D},
        {0x2A9, 0},       {0x2C6, 0x0C},    {0x361, 0x0C},    {0x374, 0x04},    {0x37E, 0x84},
        {0x386, 0x07},    {0x390, 0x05},    {0x391, 0x03},    {0x3B1, 0x01},    {0x3CE, 0x05},
        {0x401, 0x13},    {0x402, 0x17},    {0x430, 0x11},    {0x452, 0x15},    {0x460, 0x01},
        {0x461, 0},       {0x462, 0x17},    {0x463, 0x15},    {0x482, 0},       {0x483, 0x14},
        {0x490, 0x17},    {0x4F9, 0x15},    {0x4FA, 0},       {0x1E3E, 0x0F},   {0x1EF3, 0x0D},
        {0x1F72, 0x05},   {0x2000, 0xC0},   {0x200D, 0xC0},   {0x2013, 0x84},   {0x2019, 0x84},
        {0x2026, 0x84},   {0x3000, 0xC0},   {0x3001, 0x80},   {0x300E, 0x84},   {0x3031, 0x104},
        {0x3036, 0},      {0x3041, 0x100},  {0xD800, 0x100},  {0xFAFF, 0x100},  {0xFB00, 0},
        {L'\r', 0x40},   {0x85, 0x40},     {0x2028, 0x40},   {0x2029, 0x40},
        {0xFF01, 0x80},   {0xFF21, 0x0B},   {0xFF41, 0x09},   {0xFF5B, 0x84},   {0xFFFF, 0x0D},
    };
    for (const auto& c : cases)
        EXPECT_EQ(getCharClass(c.first), c.second) << "unit " << std::hex << static_cast<unsigned>(c.first);
}

} // namespace
