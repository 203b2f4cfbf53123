#include "retrieval/word_set.hpp"

#include <gtest/gtest.h>

#include <random>

#include "retrieval/text_ids.hpp"

namespace {

using retrieval::WordSet;

std::uint64_t naive(const std::vector<std::string>& words, std::string_view text) {
    std::uint64_t m = 0;
    for (std::size_t i = 0; i < words.size(); ++i)
        if (text.find(words[i]) != std::string_view::npos) m |= retrieval::bit(i);
    return m;
}

std::string lower_ascii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

// Overlapping words, prefixes of one another, words inside words, an empty word, words
// with a capital (which no folded text holds): both searches answer as a substring test
// of each word would, on random texts.
TEST(WordSet, AgreesWithSubstringTests) {
    std::mt19937 rng(7);
    const std::string alphabet = "abc/._-dA";
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> words;
        const int n = 1 + static_cast<int>(rng() % 20);
        for (int i = 0; i < n; ++i) {
            std::string w;
            const int len = static_cast<int>(rng() % (round % 2 ? 5 : 9));
            for (int j = 0; j < len; ++j) w += "abc/._-dA"[rng() % 9];
            if (round % 4 == 0 && w.size() < 2) w = "ab";  // every word long: the pair search
            words.push_back(w);
        }
        const WordSet set(words);
        for (int t = 0; t < 20; ++t) {
            std::string text;
            const int len = static_cast<int>(rng() % 60);
            for (int j = 0; j < len; ++j) text += alphabet[rng() % alphabet.size()];
            ASSERT_EQ(set.find(text), naive(words, text)) << text;
            ASSERT_EQ(set.find_ascii_folded(text), naive(words, lower_ascii(text))) << text;
            std::uint64_t found = 0;
            ASSERT_TRUE(set.find_if_ascii(text, found));
            ASSERT_EQ(found, naive(words, lower_ascii(text)));
        }
    }
}

TEST(WordSet, NonAsciiTextIsDeclinedByTheAsciiSearch) {
    const WordSet set(std::vector<std::string>{"caf", "\xc3\xa9"});
    std::uint64_t found = 0;
    EXPECT_FALSE(set.find_if_ascii("caf\xc3\xa9", found));
    EXPECT_EQ(set.find("caf\xc3\xa9"), 3u);
    EXPECT_THROW(WordSet(std::vector<std::string>(65, "x")), std::invalid_argument);
}

TEST(TextIds, InternsAndFindsAcrossGrowth) {
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i) texts.push_back("src/file_" + std::to_string(i % 3000) + ".py");
    texts.push_back("");
    retrieval::TextIds ids(4);
    std::vector<std::uint32_t> got;
    for (const std::string& t : texts) got.push_back(ids.intern(t));
    EXPECT_EQ(ids.size(), 3001u);
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(ids.find(texts[i]), got[i]);
    EXPECT_EQ(got[3000], got[0]);
    EXPECT_EQ(ids.find("src/file_3000.py"), retrieval::TextIds::kNone);
}

}  // namespace
