#include "retrieval/word_set.hpp"

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

bool WordSet::find_if_ascii(std::string_view text, std::uint64_t& found) const {
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
