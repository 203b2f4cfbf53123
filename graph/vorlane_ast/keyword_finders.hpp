#pragma once
// Bounded-time match walks for the two keyword patterns whose plain search scans the rest
// of the text from every start when a closing character comes late or never (quadratic
// on a text made of many such starts). Each routine calls f with exactly the matches that
// the host's finditer yields for its pattern, left to right, and stops when f returns
// false. Linear time: the search for the closing character is remembered across starts.
#include <string_view>

#include "graph/kit/patterns.hpp"

namespace vorlane_ast::finders {

using graph_kit::MatchFn;

// export\s*\{([^}]+)\}
void export_lists(std::string_view text, const MatchFn& f);
// ^func\s+(?:\([^)]+\)\s+)?([A-Za-z_]\w*)\s*\(  with MULTILINE
void go_funcs(std::string_view text, const MatchFn& f);

}  // namespace vorlane_ast::finders
