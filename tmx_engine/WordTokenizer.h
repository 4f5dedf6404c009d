#pragma once

#include "tmx_engine/SegmentElement.h"

#include <cstdint>
#include <string>

// Class bits of a UTF-16 unit.
enum CharClassBits : uint16_t {
    ClassLetter = 0x001,
    ClassUpper = 0x002,
    ClassModifier = 0x004,
    ClassLatin = 0x008,
    ClassCyrillic = 0x010,
    ClassDigit = 0x020,
    ClassSpace = 0x040,
    ClassPunctuation = 0x080,
    ClassCjk = 0x100,
};

uint16_t getCharClass(wchar_t unit);

// The units that end a line: LF, VT, FF, CR, NEL, U+2028 and U+2029 (CR LF is one line end). The
// tokenizer takes them for white space; the display starts a new line at each.
bool isLineBreak(wchar_t unit);

// Lower-cases one unit as CharLowerBuffW does; the table behind it is built from that call once.
wchar_t lowerCaseUnit(wchar_t unit);

// Cuts a text into words, punctuation, white space and other tokens. The index, the search and the
// display all cut text with this one routine, so a word that a search finds is a word the index
// holds. Calling pattern:
//     WordTokenizer t(text);
//     while (t.start() != t.end()) { use(t.token()); if (t.advance()) t.next(); }
class WordTokenizer {
public:
    // The text must outlive the tokenizer. The first token is ready after construction. A
    // caller that cuts many texts may lend the token's storage, whose strings keep their room
    // from text to text.
    explicit WordTokenizer(const std::wstring& text, SegmentElement* tokenStorage = nullptr);

    WordTokenizer(const WordTokenizer&) = delete;
    WordTokenizer& operator=(const WordTokenizer&) = delete;

    // Moves to the next run; false (start = end = length) at the end of the text.
    bool advance();
    // Turns the current run into the current token.
    void next();

    uint32_t start() const { return start_; }
    uint32_t end() const { return end_; }
    uint16_t runClass() const { return classBits_; }
    const SegmentElement& token() const { return token_; }

private:
    const std::wstring& text_;
    const std::wstring& scanText_;
    uint16_t classBits_ = ClassSpace;
    uint32_t start_ = 0;
    uint32_t end_ = 0;
    SegmentElement ownToken_;
    SegmentElement& token_;
};

// Appends every token of the text to the segment, each as an element of the token's kind.
void appendTokens(Segment& segment, const std::wstring& text);
