#include "retrieval/word_set.hpp"

#include <algorithm>
#include <cstring>
#include <deque>
#include <stdexcept>

namespace retrieval {

bool is_ascii(std::string_view s) {
    std::uint64_t acc = 0;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        acc |= w;
    }
    for (; i < s.size(); ++i) acc |= static_cast<unsigned char>(s[i]);
    return (acc & 0x8080808080808080ull) == 0;
}

WordSet::WordSet(const std::vector<std::string>& words) : size_(words.size()) {
    if (words.size() > kMaxWords) throw std::invalid_argument("WordSet holds at most 64 words");
    for (const std::string& w : words) {
        for (const char c : w) {
            const auto b = static_cast<unsigned char>(c);
            if (class_[b] == 0) {
                if (classes_ == 256) throw std::invalid_argument("WordSet: too many distinct bytes");
                class_[b] = static_cast<std::uint8_t>(classes_++);
            }
        }
    }
    for (int b = 0; b < 256; ++b) {
        const int f = b >= 'A' && b <= 'Z' ? b + 32 : b;
        folded_class_[b] = class_[f];
    }
    bool all_long = !words.empty();
    for (const std::string& w : words) all_long = all_long && w.size() >= 2;
    if (all_long) {
        pairs_.assign(65536 / 64, 0);
        words_ = words;
        for (std::size_t w = 0; w < words.size(); ++w) {
            const unsigned key = static_cast<unsigned char>(words[w][0]) << 8 | static_cast<unsigned char>(words[w][1]);
            pairs_[key >> 6] |= std::uint64_t{1} << (key & 63);
            starts_.push_back({static_cast<std::uint16_t>(key), static_cast<std::uint8_t>(w)});
        }
        // The starts grouped by bucket of their pair, in word order within a bucket.
        std::stable_sort(starts_.begin(), starts_.end(),
                         [](const Start& a, const Start& b) { return pair_bucket(a.pair) < pair_bucket(b.pair); });
        bucket_.assign(kBuckets + 1, 0);
        for (const Start& st : starts_) ++bucket_[pair_bucket(st.pair) + 1];
        for (std::size_t b = 0; b < kBuckets; ++b) bucket_[b + 1] += bucket_[b];
    }
    const std::size_t k = classes_;
    // The trie, with "no edge" as 0 (the root is never a target).
    std::vector<std::uint32_t> trie(k, 0);
    output_.assign(1, 0);
    for (std::size_t w = 0; w < words.size(); ++w) {
        std::uint32_t s = 0;
        for (const char c : words[w]) {
            const std::size_t at = std::size_t{s} * k + class_[static_cast<unsigned char>(c)];
            if (trie[at] == 0) {
                trie[at] = static_cast<std::uint32_t>(output_.size());
                output_.push_back(0);
                trie.resize(trie.size() + k, 0);
            }
            s = trie[at];
        }
        output_[s] |= bit(w);
    }
    // Breadth first: failure links folded into a full transition table. Class 0 (bytes
    // of no word) always leads back to the root.
    next_ = trie;
    std::vector<std::uint32_t> fail(output_.size(), 0);
    std::deque<std::uint32_t> queue;
    for (std::size_t c = 1; c < k; ++c)
        if (const std::uint32_t t = trie[c]) queue.push_back(t);
    while (!queue.empty()) {
        const std::uint32_t s = queue.front();
        queue.pop_front();
        output_[s] |= output_[fail[s]];
        for (std::size_t c = 1; c < k; ++c) {
            const std::size_t at = std::size_t{s} * k + c;
            const std::uint32_t via_fail = next_[std::size_t{fail[s]} * k + c];
            if (const std::uint32_t t = trie[at]) {
                fail[t] = via_fail;
                queue.push_back(t);
            } else {
                next_[at] = via_fail;
            }
        }
    }
}

std::uint64_t WordSet::find(std::string_view text) const {
    // The table walk: texts searched here (lower-cased paths against the path words)
    // are dense in pairs that begin a word, where checking each one costs more.
    std::uint64_t found = output_[0];
    std::uint32_t s = 0;
    const std::size_t k = classes_;
    for (const char c : text) {
        s = next_[std::size_t{s} * k + class_[static_cast<unsigned char>(c)]];
        found |= output_[s];
    }
    return found;
}

std::uint64_t WordSet::find_ascii_folded(std::string_view text) const {
    std::uint64_t found = output_[0];
    std::uint32_t s = 0;
    const std::size_t k = classes_;
    for (const char c : text) {
        s = next_[std::size_t{s} * k + folded_class_[static_cast<unsigned char>(c)]];
        found |= output_[s];
    }
    return found;
}

}  // namespace retrieval

namespace retrieval {

template <bool Fold>
std::pair<std::uint64_t, unsigned char> WordSet::pair_search(std::string_view text) const {
    // Every word has two bytes or more: a word begins at a position only where the
    // position's (folded) pair begins one, which one bit test tells; the words of that
    // pair are then checked where they stand.
    auto fold = [](unsigned char c) -> unsigned { return Fold && c >= 'A' && c <= 'Z' ? c + 32u : c; };
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    unsigned char seen = 0;
    std::uint64_t f = 0;
    if (n < 2) return {f, n ? p[0] : static_cast<unsigned char>(0)};
    unsigned next = fold(p[0]);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        seen |= p[i];
        const unsigned second = fold(p[i + 1]);
        const unsigned key = next << 8 | second;
        next = second;
        if (!((pairs_[key >> 6] >> (key & 63)) & 1)) [[likely]]
            continue;
        for (std::uint32_t at = bucket_[pair_bucket(key)]; at != bucket_[pair_bucket(key) + 1]; ++at) {
            const Start& st = starts_[at];
            if (st.pair != key || (f & bit(st.word))) continue;
            const std::string& w = words_[st.word];
            if (w.size() > n - i) continue;
            std::size_t j = 2;
            while (j < w.size() && fold(p[i + j]) == static_cast<unsigned char>(w[j])) ++j;
            if (j == w.size()) f |= bit(st.word);
        }
    }
    seen |= p[n - 1];
    return {f, seen};
}

bool WordSet::find_if_ascii(std::string_view text, std::uint64_t& found) const {
    if (!pairs_.empty()) {
        const auto [f, seen] = pair_search<true>(text);
        if (seen & 0x80) return false;
        found = f;
        return true;
    }
    std::uint64_t f = output_[0];
    std::uint32_t s = 0;
    unsigned char seen = 0;
    const std::size_t k = classes_;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        seen |= b;
        s = next_[std::size_t{s} * k + folded_class_[b]];
        f |= output_[s];
    }
    if (seen & 0x80) return false;
    found = f;
    return true;
}

}  // namespace retrieval
