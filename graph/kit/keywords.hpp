#pragma once
// The keyword list both builders make of a file, whatever finds the words: each word
// lower-cased and stripped of "_" at either end, kept when it has at least 3 characters
// and was not kept before, at most MAX_KEYWORDS in first-seen order. One hash per word.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/pattern.hpp"

namespace graph_kit {

inline constexpr std::size_t MAX_KEYWORDS = 80;

class Keywords {
public:
    void add(std::string_view word);
    // The name, then its camel-case pieces.
    void add_name(std::string_view name);
    // A route registration's method word (group 1) and the pieces of its path (group 2,
    // split at "/"), each piece with the matches of `clean` removed.
    void add_route(const core::Match& m, const core::Regex& clean);
    // The kept words, the first MAX_KEYWORDS of them.
    std::vector<std::string> take();

private:
    std::vector<std::string> tokens_;
    std::unordered_set<std::string> seen_;
};

}  // namespace graph_kit
