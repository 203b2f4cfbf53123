#pragma once
// Structural-peer edges: files of one directory that belong together by naming
// convention (routes and middleware, controller and service, model and schema, ...) are
// linked both ways. Only the lower-cased stems take part, never extensions or contents.
// Each stem meets the 44 patterns once; then every pair of files of one directory whose
// stems fit some pattern is tested in constant time, so the cost grows with the square
// of the number of such files per directory.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/records.hpp"
#include "graph/kit/patterns.hpp"

namespace vorlane_ast {

// One convention: a stem that the first pattern matches pairs with one that the second
// matches. Both are matched from the stem's first character, ignoring case.
struct PeerRow {
    std::string_view x, y;
};
// The conventions in the order they are tried; the first that fits a pair decides.
inline constexpr std::array<PeerRow, 22> PEER_PAIRS = {{
    {"^routes?$", "^middlewares?$"},   {"^route$", "^middlewares?$"},
    {"^router$", "^middlewares?$"},    {"^routes?$", "^guards?$"},
    {"^routes?$", "^interceptors?$"},  {"^controllers?$", "^services?$"},
    {"^handlers?$", "^middlewares?$"}, {"^handlers?$", "^validators?$"},
    {"^views?$", "^serializers?$"},    {"^views?$", "^schemas?$"},
    {"^resolvers?$", "^guards?$"},     {"^resolvers?$", "^interceptors?$"},
    {"^models?$", "^schemas?$"},       {"^models?$", "^migrations?$"},
    {"^auth$", "^guards?$"},           {"^auth$", "^permissions?$"},
    {"^auth$", "^policies$"},          {"^auth$", "^middlewares?$"},
    {"^handlers?$", "^routers?$"},     {"^services?$", "^repositor(?:y|ies)$"},
    {"^services?$", "^repos?$"},       {"^routes?$", "^dep(endencies)?s?$"},
}};

// The "structural_peer" edges of `file_ids` (relative paths): directories in the order
// first met, pairs in input order within each, an edge from the earlier file and then
// one back for each pair that a row fits. Repeats are left to the caller.
std::vector<core::Edge> structural_peer_edges(const std::vector<std::string>& file_ids);
// The same pairs as positions in `file_ids` (earlier file first), one per pair of edges.
std::vector<std::pair<std::size_t, std::size_t>> structural_peer_pairs(const std::vector<std::string>& file_ids);

// The 44 patterns with their flags, row by row (x then y).
std::vector<graph_kit::PatternSpec> peer_patterns();

}  // namespace vorlane_ast
