#pragma once
// How the pattern target and the replay driver choose a pattern from an input: a first
// row that is a pattern's label names it (so corpus files keep their pattern when the
// tables grow); otherwise the first byte picks one by index. The rest is the text.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "graph/vorlane/patterns.hpp"

namespace fuzz {

// Index into `table` (not empty) and the text bytes of the input.
inline std::pair<std::size_t, std::string_view> pick_pattern(const std::vector<vorlane::PatternSpec>& table,
                                                             std::string_view input) {
    const std::size_t nl = input.substr(0, 64).find('\n');
    if (nl != std::string_view::npos) {
        const std::string_view label = input.substr(0, nl);
        for (std::size_t i = 0; i < table.size(); ++i)
            if (table[i].label == label) return {i, input.substr(nl + 1)};
    }
    if (input.empty()) return {0, input};
    return {static_cast<std::uint8_t>(input[0]) % table.size(), input.substr(1)};
}

}  // namespace fuzz
