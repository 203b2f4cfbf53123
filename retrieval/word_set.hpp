#pragma once
// A fixed set of up to 64 words found in a text in one pass (an Aho-Corasick automaton
// over bytes): the answer is the set of words that occur as substrings, as a bit mask.
// Bytes that no word holds share one class, so the table stays small enough for the
// fastest cache: a search costs one table step per byte of the text, whatever the
// number of words (the ASCII search of words of two bytes or more, a pair test per
// byte and a check of the words at each position whose pair begins one); building
// costs the words' total length times the classes.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace retrieval {

class WordSet {
public:
    static constexpr std::size_t kMaxWords = 64;
    WordSet() = default;
    // At most kMaxWords words; an empty word occurs in every text.
    explicit WordSet(const std::vector<std::string>& words);
    // Bit i set when word i occurs in `text`.
    std::uint64_t find(std::string_view text) const;
    // The same on the ASCII lower-case form of `text` (which must be pure ASCII).
    std::uint64_t find_ascii_folded(std::string_view text) const;
    // find_ascii_folded when `text` is pure ASCII (true), else false and `found` unset.
    bool find_if_ascii(std::string_view text, std::uint64_t& found) const;
    std::size_t size() const { return size_; }

private:
    std::uint8_t class_[256] = {};         // byte -> class (0: in no word)
    std::uint8_t folded_class_[256] = {};  // the same after ASCII lower-casing
    std::size_t classes_ = 1;
    std::vector<std::uint32_t> next_;    // state * classes_ + class -> state
    std::vector<std::uint64_t> output_;  // words ending at a state (with its suffixes)
    // The first two bytes of every word, as a set of byte pairs, and the words by their
    // first two bytes: when every word has two bytes or more, the ASCII search tests
    // each position's pair against the set and checks the words of a pair that is in
    // it, with no chain of table steps from byte to byte.
    std::vector<std::uint64_t> pairs_;
    struct Start {
        std::uint16_t pair;
        std::uint8_t word;
    };
    std::vector<Start> starts_;  // grouped by bucket of their pair
    static constexpr std::size_t kBuckets = 64;
    static constexpr std::size_t pair_bucket(unsigned pair) { return (pair * 0x9E37u >> 8) & (kBuckets - 1); }
    std::vector<std::uint32_t> bucket_;  // bucket b: starts_[bucket_[b], bucket_[b + 1])
    std::vector<std::string> words_;
    std::size_t size_ = 0;
    // The words found by pair tests (ASCII letters folded when Fold), and every byte of
    // the text or-ed together.
    template <bool Fold>
    std::pair<std::uint64_t, unsigned char> pair_search(std::string_view text) const;
};

// The bit of a word, by its position in the list given to the constructor.
constexpr std::uint64_t bit(std::size_t i) { return std::uint64_t{1} << i; }

// Whether every byte of `s` is ASCII.
bool is_ascii(std::string_view s);

}  // namespace retrieval
