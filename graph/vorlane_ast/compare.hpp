#pragma once
// The text of the comparison mode: the banner, the metric table of the two graphs, the
// symbol breakdown and the ids that only one side found, and the file lines. Linear in
// the number of nodes of the two graphs (the breakdown sorts the symbol types).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"

namespace vorlane_ast::compare {

// The three banner lines, each ended by a line break; `root_name` is the root's last
// component.
std::string banner(std::string_view root_name);

inline constexpr std::string_view WARN_NO_REGEX =
    "  [warn] Original vorlane not found \u2014 skipping regex comparison\n";

// One graph of the comparison and its scan time in seconds.
struct Side {
    const core::Json* graph = nullptr;
    double seconds = 0;
};

// Everything printed after the two scans: the metric table, then (with the pattern
// graph) the breakdown and the one-side-only lists, then the file lines and an empty
// line. core::KeyError when a graph lacks a field it reads.
std::string table(const Side& ast, const std::optional<Side>& regex, std::string_view ast_out,
                  std::string_view regex_out);

// The host's display of a list of texts: ['a', "b'c", 'd\\e'].
std::string list_display(const std::vector<std::string>& items);

}  // namespace vorlane_ast::compare
