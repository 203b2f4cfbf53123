#pragma once
// The two condensations of a results map: the debt score (0 to 100, higher is worse)
// and the fix roadmap (at most six tasks in a fixed order, each {week, label, files,
// why}). Pure functions of the map; the roadmap's file choices are first-seen, so equal
// maps give equal roadmaps. Linear in the few list heads they read.
#include <string>

#include "core/json.hpp"

namespace audit {

// The score; an integer result unless the coverage value makes it fractional, which the
// host cuts to its integer part.
long long debt_score(const core::Json& r);
core::Json fix_roadmap(const core::Json& r);

// "LOW" below 30, "MEDIUM" below 60, else "HIGH".
const char* score_band(double score);

}  // namespace audit
