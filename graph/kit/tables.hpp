#pragma once
// Membership in the builders' fixed tables of names (directory names, suffixes): a
// linear look through a table of a few dozen entries at most.
#include <span>
#include <string_view>

namespace graph_kit {

constexpr bool contains(std::span<const std::string_view> table, std::string_view s) {
    for (std::string_view v : table)
        if (v == s) return true;
    return false;
}

}  // namespace graph_kit
