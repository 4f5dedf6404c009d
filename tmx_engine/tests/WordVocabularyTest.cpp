#include "tmx_engine/WordVocabulary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Word numbers key the remembered trie walks: two texts with one number would put postings under
// the wrong term, so the numbering must stay exact through every growth of the table and of the
// text store.
TEST(WordVocabularyTest, EqualTextsShareANumberAndDistinctTextsNeverDo) {
    WordVocabulary v;
    std::vector<std::wstring> words;
    for (uint32_t i = 0; i < 300000; ++i) {
        std::wstring w;
        uint32_t k = i;
        do {
            w += static_cast<wchar_t>(L'a' + k % 26);
            k /= 26;
        } while (k);
        words.push_back(w);
    }
    // Texts longer than a piece of the store, a prefix of another word, and the empty text.
    words.push_back(std::wstring(300000, L'z'));
    words.push_back(std::wstring(299999, L'z'));
    words.push_back(L"");
    words.push_back(std::wstring(1, L'\0'));
    for (size_t i = 0; i < words.size(); ++i)
        ASSERT_EQ(v.idOf(words[i].data(), words[i].size()), i) << i;
    EXPECT_EQ(v.size(), words.size());
    for (size_t i = words.size(); i-- > 0;)
        ASSERT_EQ(v.idOf(words[i].data(), words[i].size()), i) << i;
    EXPECT_EQ(v.size(), words.size());
}

} // namespace
