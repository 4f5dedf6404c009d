#include "core/tests/TestFiles.h"
#include "core/util/Utf8.h"

#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/TmxFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

// Searches on the real memories, judged by a plain reading of the file's text that knows nothing
// of the parser, the tokenizer or the index: every unit whose source holds the query as a phrase
// of its own is found, and every unit found holds each word of the query.

namespace {

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::wstring lowerAscii(std::wstring s) {
    for (wchar_t& c : s)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return s;
}

// The value of name="..." in one start tag; empty when absent.
std::string attribute(const std::string& tag, const std::string& name) {
    const size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos)
        return std::string();
    const size_t from = at + name.size() + 3;
    return tag.substr(from, tag.find('"', from) - from);
}

// The text of a seg element's content: tags dropped, character references and the five entities
// decoded.
std::wstring plainText(const std::string& xml) {
    std::string text;
    for (size_t i = 0; i < xml.size(); ++i) {
        if (xml[i] == '<') {
            i = xml.find('>', i);
            if (i == std::string::npos)
                break;
            continue;
        }
        text += xml[i];
    }
    const std::wstring wide = testfiles::fromUtf8(text);
    std::wstring out;
    for (size_t i = 0; i < wide.size(); ++i) {
        const size_t semi = wide[i] == L'&' ? wide.find(L';', i) : std::wstring::npos;
        if (semi == std::wstring::npos || semi - i > 10) {
            out += wide[i];
            continue;
        }
        const std::wstring name = wide.substr(i + 1, semi - i - 1);
        static const std::map<std::wstring, wchar_t> named = {
            {L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''}};
        if (named.count(name))
            out += named.at(name);
        else if (name.size() > 2 && name[0] == L'#' && (name[1] == L'x' || name[1] == L'X'))
            out += static_cast<wchar_t>(std::wcstoul(name.c_str() + 2, nullptr, 16));
        else if (name.size() > 1 && name[0] == L'#')
            out += static_cast<wchar_t>(std::wcstoul(name.c_str() + 1, nullptr, 10));
        else
            out += name;
        i = semi;
    }
    return out;
}

struct PlainUnit {
    std::wstring source;           // ASCII letters lower-cased
    std::set<std::string> targets; // languages (lower-cased) of the other variants with a seg
};

// Every tu element of the memory by the offset of its "<", read with plain string searches.
std::map<uint32_t, PlainUnit> plainUnits(const std::string& bytes) {
    std::map<uint32_t, PlainUnit> units;
    const size_t header = bytes.find("<header");
    const std::string sourceLanguage =
        lowerAscii(attribute(bytes.substr(header, bytes.find('>', header) - header), "srclang"));
    for (size_t at = bytes.find("<tu"); at != std::string::npos; at = bytes.find("<tu", at + 3)) {
        const char after = bytes[at + 3];
        if (after != ' ' && after != '>' && after != '\n' && after != '\t' && after != '\r')
            continue;
        const size_t end = bytes.find("</tu>", at);
        PlainUnit& unit = units[static_cast<uint32_t>(at)];
        for (size_t v = bytes.find("<tuv", at); v < end; v = bytes.find("<tuv", v + 4)) {
            const size_t tagEnd = bytes.find('>', v);
            const size_t variantEnd = bytes.find("</tuv>", v);
            const size_t seg = bytes.find("<seg", tagEnd);
            if (seg > variantEnd)
                continue;
            const std::string language = lowerAscii(attribute(bytes.substr(v, tagEnd - v), "xml:lang"));
            const size_t open = bytes.find('>', seg);
            const size_t close = bytes[open - 1] == '/' ? open + 1 : bytes.find("</seg>", open);
            // A variant in the source's language with another region ("en-gb" beside "en-us") is
            // taken for the source, not for a target.
            if (language == sourceLanguage)
                unit.source = lowerAscii(plainText(bytes.substr(open + 1, close - open - 1)));
            else if (language.compare(0, 2, sourceLanguage, 0, 2) != 0)
                unit.targets.insert(language);
        }
        at = end;
    }
    return units;
}

// The phrase stands in the text as words of their own: after the start, a blank or an opening
// mark, and before the end, a blank or a closing mark. A dot or an apostrophe after it counts
// only where no letter follows, since "only.txt" and "file’s" are other words.
bool standsAlone(const std::wstring& text, const std::wstring& phrase) {
    const wchar_t* const opening = L" \t\r\n([{\"'/=,:;-\u201C\u2018\u00AB\u2014";
    const wchar_t* const closing = L" \t\r\n)]}\"'/=,:;!?-\u2026\u201D\u00BB\u2014";
    for (size_t at = text.find(phrase); at != std::wstring::npos; at = text.find(phrase, at + 1)) {
        const size_t end = at + phrase.size();
        const bool startOk = at == 0 || std::wcschr(opening, text[at - 1]) != nullptr;
        bool endOk = end == text.size() || std::wcschr(closing, text[end]) != nullptr;
        if (!endOk && (text[end] == L'.' || text[end] == L'\u2019')) {
            const wchar_t next = end + 1 < text.size() ? text[end + 1] : L' ';
            endOk = next < 0x80 && !std::iswalnum(next);
        }
        if (startOk && endOk)
            return true;
    }
    return false;
}

std::vector<std::wstring> queryWords(const std::wstring& query) {
    std::vector<std::wstring> words(1);
    for (const wchar_t c : lowerAscii(query)) {
        if (c >= L'a' && c <= L'z')
            words.back() += c;
        else if (!words.back().empty())
            words.emplace_back();
    }
    if (words.back().empty())
        words.pop_back();
    return words;
}

struct MemoryCase {
    const wchar_t* file;
    std::vector<const wchar_t*> queries;
};

// Searches each query in each target language whose units hold it and compares the units found
// with the plain reading; returns how many units the queries found over all languages.
size_t expectPlainMatches(const MemoryCase& memory, const testfiles::TempDir& dir) {
    const std::wstring tmx = dir.file(memory.file);
    EXPECT_TRUE(CopyFileW(testfiles::corpusPath(memory.file).c_str(), tmx.c_str(), FALSE));
    SetFileAttributesW(tmx.c_str(), FILE_ATTRIBUTE_NORMAL);
    TmxFile file;
    EXPECT_EQ(file.load(tmx), 1);

    const std::map<uint32_t, PlainUnit> units = plainUnits(testfiles::readText(tmx));
    size_t foundInAll = 0;
    for (const wchar_t* queryText : memory.queries) {
        const std::wstring query = queryText;
        const std::wstring phrase = lowerAscii(query);
        const std::vector<std::wstring> words = queryWords(query);
        std::map<std::string, std::set<uint32_t>> expectedIn; // by target language
        for (const auto& u : units)
            if (standsAlone(u.second.source, phrase))
                for (const std::string& language : u.second.targets)
                    expectedIn[language].insert(u.first);
        // Each query was taken from the memory: the comparison is not an empty one.
        EXPECT_FALSE(expectedIn.empty()) << toUtf8(query);

        // A budget that no word of these memories exhausts, so that every hit is kept.
        const SearchQuery split = SearchQuery::split(query, 1u << 24);
        // Where no unit holds all the words, the search offers the units that hold some of them,
        // best first; so only the languages whose units hold the words together are searched.
        for (const auto& e : expectedIn) {
            const std::string& language = e.first;
            const std::set<uint32_t>& expected = e.second;
            SCOPED_TRACE(toUtf8(query) + " in " + language);
            SearchResults results;
            bool strong = false;
            file.search(testfiles::widen(language.c_str()), split.includeWords, split.excludeWords,
                        split.perWordBudget, strong, results);
            std::set<uint32_t> found;
            for (const SearchResult& r : results) {
                const uint32_t offset = file.entryOffset(r.entryId);
                const auto unit = units.find(offset);
                if (unit == units.end()) {
                    ADD_FAILURE() << "entry " << r.entryId << " at " << offset << " is no unit";
                    continue;
                }
                EXPECT_TRUE(unit->second.targets.count(language)) << "unit at " << offset;
                for (const std::wstring& w : words)
                    EXPECT_NE(unit->second.source.find(w), std::wstring::npos)
                        << "unit at " << offset << " lacks \"" << toUtf8(w) << "\": "
                        << toUtf8(unit->second.source);
                found.insert(offset);
            }
            for (const uint32_t offset : expected)
                EXPECT_TRUE(found.count(offset)) << "missed the unit at " << offset << ": "
                                                 << toUtf8(units.at(offset).source);
            foundInAll += found.size();
        }
    }
    return foundInAll;
}

class WordSearchRealDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testfiles::exists(testfiles::corpusPath(L"README.md"))) {
            std::printf("SKIPPED: no real memories (../shared/corpus is absent)\n");
            GTEST_SKIP() << "no ../shared/corpus";
        }
    }
};

TEST_F(WordSearchRealDataTest, HyphenatedWordsFindTheUnitsThatHoldBothHalves) {
    testfiles::TempDir dir(L"word_search_real");
    const MemoryCase memories[] = {
        {L"fr-small.tmx", {L"comma-separated", L"no-clobber", L"ignore-case", L"from-file", L"if-modified"}},
        {L"multi-b.tmx",
         {L"read-only", L"self-signed", L"non-zero", L"colon-separated", L"user-id", L"cd-rom", L"apt-get"}},
    };
    for (const MemoryCase& memory : memories) {
        SCOPED_TRACE(toUtf8(memory.file));
        EXPECT_GT(expectPlainMatches(memory, dir), 0u);
    }
}

// The largest memory holds words before an ellipsis and a closing quotation mark ("installing
// updates…", "Manage Custom Sizes…", "APPLICATION [URI…]") besides its hyphenated words.
TEST_F(WordSearchRealDataTest, WordsBeforeAnEllipsisOrAClosingQuoteAreFoundInTheLargestMemory) {
    testfiles::TempDir dir(L"word_search_large");
    const MemoryCase memory = {L"pairs-b.tmx",
                               {L"updates", L"installing updates", L"custom sizes", L"other application",
                                L"sizes", L"uri", L"orange", L"pause", L"read-only", L"cherry-pick", L"e-mail",
                                L"non-zero"}};
    EXPECT_GT(expectPlainMatches(memory, dir), 0u);
}

} // namespace
