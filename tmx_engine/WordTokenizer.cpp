#include "tmx_engine/WordTokenizer.h"

#include <windows.h>

#include <array>
#include <vector>

namespace {

void fill(uint8_t* table, unsigned first, unsigned last, uint8_t value) {
    for (unsigned u = first; u <= last; ++u)
        table[u] = value;
}

// Classes of U+0000-U+04FF. Ranges the list does not name stay 0.
//
// Line breaks (LF, VT, FF, CR, NEL here; U+2028 and U+2029 below) are white space: a word that
// ends a line is a word of its own, as before a blank. Earlier builds gave LF and CR the joining
// bit, so "end\nnext" was one token; an index built by them is still read (its format is the
// same), but the index of a file whose segments hold line breaks comes out with other bytes
// when it is built again, and only then finds the words at the line ends.
std::array<uint8_t, 0x500> buildLowTable() {
    std::array<uint8_t, 0x500> t{};
    uint8_t* p = t.data();
    p[0x09] = p[0x20] = 0x40;
    p[0x0A] = p[0x0B] = p[0x0C] = p[0x0D] = p[0x85] = 0x40;
    for (unsigned u : {0x21u, 0x22u, 0x27u, 0x28u, 0x29u, 0x2Cu, 0x2Du, 0x2Eu, 0x3Au, 0x3Bu, 0x3Fu,
                       0x5Bu, 0x5Du})
        p[u] = 0x80;
    fill(p, 0x7B, 0x7D, 0x84);
    fill(p, 0x30, 0x39, 0x20);
    fill(p, 0x41, 0x5A, 0x0B);
    fill(p, 0x60, 0x7A, 0x09);
    p[0xA0] = 0xC0;
    p[0xAB] = p[0xBB] = 0x84;
    fill(p, 0xC0, 0xD6, 0x0F);
    fill(p, 0xD8, 0xDE, 0x0F);
    fill(p, 0xDF, 0xF6, 0x0D);
    fill(p, 0xF8, 0xFF, 0x0D);
    for (unsigned u = 0x100; u <= 0x17E; ++u)
        p[u] = (u % 2 == 0) ? 0x0F : 0x0D;
    p[0x178] = p[0x179] = 0x0F;
    p[0x17A] = 0x0D;
    p[0x17B] = 0x0F;
    p[0x17C] = 0x0D;
    p[0x17D] = 0x0F;
    p[0x17E] = 0x0D;
    for (unsigned u = 0x1CD; u <= 0x1DC; ++u)
        p[u] = (u % 2 == 1) ? 0x0F : 0x0D;
    p[0x1F5] = 0x0D;
    for (unsigned u = 0x1F8; u <= 0x1FF; ++u)
        p[u] = (u % 2 == 0) ? 0x0F : 0x0D;
    fill(p, 0x250, 0x2A8, 0x0D);
    fill(p, 0x2C6, 0x361, 0x0C);
    for (unsigned u : {0x374u, 0x375u, 0x37Au, 0x384u, 0x385u})
        p[u] = 0x04;
    p[0x37E] = p[0x387] = 0x84;
    for (unsigned u : {0x386u, 0x388u, 0x389u, 0x38Au, 0x38Cu, 0x38Eu, 0x38Fu, 0x3AAu, 0x3ABu})
        p[u] = 0x07;
    p[0x390] = 0x05;
    fill(p, 0x3AC, 0x3B0, 0x05);
    fill(p, 0x3CA, 0x3CE, 0x05);
    fill(p, 0x391, 0x3A9, 0x03);
    fill(p, 0x3B1, 0x3C9, 0x01);
    p[0x401] = 0x13;
    fill(p, 0x410, 0x42F, 0x13);
    fill(p, 0x402, 0x40F, 0x17);
    fill(p, 0x430, 0x44F, 0x11);
    p[0x451] = 0x11;
    fill(p, 0x452, 0x45F, 0x15);
    p[0x460] = 0x01;
    for (unsigned u = 0x462; u <= 0x481; ++u)
        p[u] = (u % 2 == 0) ? 0x17 : 0x15;
    for (unsigned u = 0x490; u <= 0x4F9; ++u)
        p[u] = (u % 2 == 0) ? 0x17 : 0x15;
    fill(p, 0x483, 0x486, 0x14);
    return t;
}

uint16_t fixedClass(unsigned u) {
    switch (u) {
    case 0x1E3E: case 0x1E80: case 0x1E82: case 0x1E84: case 0x1EF2:
        return 0x0F;
    case 0x1E3F: case 0x1E81: case 0x1E83: case 0x1E85: case 0x1EF3:
        return 0x0D;
    case 0x3000:
        return 0xC0;
    case 0x2026: case 0x300A: case 0x300B: case 0x301A: case 0x301B:
        return 0x84;
    case 0x3001: case 0x3002: case 0x300C: case 0x300D: case 0x3014: case 0x3015: case 0x301D:
    case 0x301E:
        return 0x80;
    default:
        break;
    }
    if (u >= 0x1F70 && u <= 0x1F73)
        return 0x05;
    if (u >= 0x2000 && u <= 0x200D)
        return 0xC0;
    if (u == 0x2028 || u == 0x2029)
        return 0x40;
    if ((u >= 0x2012 && u <= 0x2014) || (u >= 0x2018 && u <= 0x201F) ||
        (u >= 0x300E && u <= 0x3011) || (u >= 0x3016 && u <= 0x3018))
        return 0x84;
    if (u >= 0x3031 && u <= 0x3035)
        return 0x104;
    return 0;
}

// The whole 64K table, so that the tokenizer's inner loop is one load per unit.
struct ClassTable {
    std::vector<uint16_t> classes;
    ClassTable() : classes(0x10000) {
        const std::array<uint8_t, 0x500> low = buildLowTable();
        for (unsigned u = 0; u < 0x10000; ++u) {
            if (u < 0x500)
                classes[u] = low[u];
            else if (u >= 0xFF01)
                classes[u] = low[u - 0xFEE0];
            else if (u >= 0x3041 && u <= 0xFAFF)
                classes[u] = 0x100;
            else
                classes[u] = fixedClass(u);
        }
    }
};

const uint16_t* classTable() {
    static const ClassTable table;
    return table.classes.data();
}

// CharLowerBuffW maps unit by unit; one call over every unit builds the same mapping once instead
// of one system call per word. Surrogates stay out of the call so that no pair is formed.
struct LowerTable {
    std::vector<wchar_t> lower;
    LowerTable() : lower(0x10000) {
        for (unsigned u = 0; u < 0x10000; ++u)
            lower[u] = static_cast<wchar_t>(u);
        CharLowerBuffW(lower.data(), 0xD800);
        CharLowerBuffW(lower.data() + 0xE000, 0x2000);
    }
};

const wchar_t* lowerTable() {
    static const LowerTable table;
    return table.lower.data();
}

bool isHighSurrogate(wchar_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(wchar_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

} // namespace

uint16_t getCharClass(wchar_t unit) { return classTable()[static_cast<uint16_t>(unit)]; }

bool isLineBreak(wchar_t unit) {
    return (unit >= 0x0A && unit <= 0x0D) || unit == 0x85 || unit == 0x2028 || unit == 0x2029;
}

wchar_t lowerCaseUnit(wchar_t unit) { return lowerTable()[static_cast<uint16_t>(unit)]; }

WordTokenizer::WordTokenizer(const std::wstring& text, SegmentElement* tokenStorage)
    : text_(text), scanText_(text), token_(tokenStorage ? *tokenStorage : ownToken_) {
    if (advance())
        next();
}

bool WordTokenizer::advance() {
    const uint32_t length = static_cast<uint32_t>(scanText_.size());
    start_ = end_;
    if (start_ >= length) {
        start_ = end_ = length;
        return false;
    }
    const uint16_t* classes = classTable();
    const wchar_t* s = scanText_.data();
    const uint16_t c = classes[static_cast<uint16_t>(s[start_])];
    classBits_ = c;
    uint32_t e = start_ + 1;
    if (c & ClassLetter) {
        // Letters and marks extend a word. The punctuation that may join one (an apostrophe in
        // "don't", a bar, a brace) does so only between letters: a closing quote, an ellipsis
        // or a guillemet after a word ends it, as a blank would, so "file" in "file…" is found.
        // An index built when these closed words ("file…") is still read, with the same format,
        // but finds such a word only once the index is built again.
        while (e < length) {
            const uint16_t f = classes[static_cast<uint16_t>(s[e])];
            if (!(f & (ClassLetter | ClassModifier)))
                break;
            if ((f & ClassPunctuation) &&
                !(e + 1 < length && (classes[static_cast<uint16_t>(s[e + 1])] & ClassLetter)))
                break;
            ++e;
        }
    } else if (c & ClassCjk) {
        // A character above U+FFFF is one token: its low surrogate stays with the high one.
        if (isHighSurrogate(s[start_]) && e < length && isLowSurrogate(s[e]))
            ++e;
        while (e < length &&
               (classes[static_cast<uint16_t>(s[e])] & (ClassCjk | ClassModifier)) ==
                   (ClassCjk | ClassModifier))
            ++e;
    } else if (c & ClassSpace) {
        while (e < length) {
            const uint16_t f = classes[static_cast<uint16_t>(s[e])];
            if (!(f & ClassSpace) || (f & ClassPunctuation))
                break;
            ++e;
        }
    } else {
        while (e < length && classes[static_cast<uint16_t>(s[e])] == c)
            ++e;
    }
    end_ = e;
    return true;
}

void WordTokenizer::next() {
    const wchar_t* s = text_.data();
    const uint32_t length = static_cast<uint32_t>(text_.size());
    SegmentElementKind kind;
    if (classBits_ & ClassSpace)
        kind = SegmentElementKind::Space;
    else if (classBits_ & ClassLetter)
        kind = SegmentElementKind::Word;
    else if (classBits_ & ClassPunctuation)
        kind = SegmentElementKind::Punctuation;
    else
        kind = SegmentElementKind::Other;

    if (kind == SegmentElementKind::Word) {
        const bool isWww = end_ - start_ == 3 && s[start_] == L'w' && s[start_ + 1] == L'w' &&
                           s[start_ + 2] == L'w';
        if (!isWww && end_ + 1 < length && s[end_] == L'.' && (getCharClass(s[end_ + 1]) & ClassLetter)) {
            uint32_t e = end_ + 2;
            uint32_t lastLetter = end_ + 2;
            while (e < length && (s[e] == L'.' || (getCharClass(s[e]) & ClassLetter))) {
                if (s[e] != L'.')
                    lastLetter = e + 1;
                ++e;
            }
            // A dotted word ends at its last letter: the dot that closes "U.S.A." is punctuation.
            end_ = lastLetter;
            kind = SegmentElementKind::Other;
        }
    }

    token_.kind = kind;
    token_.text.assign(s + start_, end_ - start_);
    if (kind == SegmentElementKind::Word) {
        const wchar_t* lower = lowerTable();
        token_.extra.resize(token_.text.size());
        for (size_t i = 0; i < token_.text.size(); ++i)
            token_.extra[i] = lower[static_cast<uint16_t>(token_.text[i])];
    } else if (kind == SegmentElementKind::Other && end_ - start_ == 1 && s[start_] == L'&') {
        token_.kind = SegmentElementKind::Word;
        token_.extra.assign(1, L'&');
    } else {
        token_.extra.clear();
    }
}

void appendTokens(Segment& segment, const std::wstring& text) {
    WordTokenizer tokenizer(text);
    while (tokenizer.start() != tokenizer.end()) {
        segment.push_back(tokenizer.token());
        if (tokenizer.advance())
            tokenizer.next();
    }
}
