#pragma once
// The auditor's patterns, in the host's syntax with their flags, compiled once on first
// use through the shared pattern translation. The table is what the differential test
// runs through the host's `re`, so it sees exactly what the checks use.
#include <string_view>
#include <vector>

#include "core/pattern.hpp"

namespace audit {

struct PatternSpec {
    std::string_view name;  // the module constant's name, or a label for the stem patterns
    std::string_view text;
    unsigned flags;
};

// TEST_PAT, DB_RE, ROUTE_RE, TODO_RE, EXTERNAL_RE, ERR_RE (in this order), then the two
// test-stem patterns of the coverage check.
const std::vector<PatternSpec>& pattern_specs();

const core::Regex& test_pat();
const core::Regex& db_re();
const core::Regex& route_re();
const core::Regex& todo_re();
const core::Regex& external_re();
const core::Regex& err_re();
const core::Regex& test_stem_suffix_re();
const core::Regex& test_stem_prefix_re();

// A subject the pattern layer can take: texts from JSON or host strings may hold lone
// surrogates (3-byte forms), which are shown to the patterns as U+FFFD, a character of
// the same length that no pattern treats differently. Returns `s` itself when it is
// already valid UTF-8, else a view of `buf`.
std::string_view match_subject(std::string_view s, std::string& buf);

}  // namespace audit
