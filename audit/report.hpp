#pragma once
// The human-readable report of one audit run: header and overview, test coverage, the
// finding sections that have items (each with its own cap), the fix roadmap and the
// footer, lines joined by "\n" with no final line break. Styles only when `color` is
// set. Linear in the graph's nodes plus the few items shown.
#include <string>

#include "core/json.hpp"

namespace audit {

// The colour of a score: green below 30, yellow below 60, red from 60.
const char* debt_color(double score);
std::string format_report(const std::string& root, const core::Json& r, bool color = true);

}  // namespace audit
