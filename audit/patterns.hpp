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

// Cheap literal pre-filters: false only when `text` can hold no match of the pattern.
// Every match of TODO_RE holds one of its four words, and of EXTERNAL_RE one of its
// call prefixes; under the ignore-case rule an ASCII letter matches only its two ASCII
// cases or a character outside ASCII, so a text of ASCII bytes without any of the words
// (in any ASCII case) has no match. One pass over the bytes, no allocation.
bool may_match_todo(std::string_view text);
bool may_match_external(std::string_view text);
// Where such a word (or a byte outside ASCII) first begins at or after `from`; npos when
// nowhere. A word holds no line break, so it lies within the line where it begins: a
// walk over the lines of a text finds the lines worth searching in one pass.
std::size_t todo_candidate(std::string_view text, std::size_t from);
std::size_t external_candidate(std::string_view text, std::size_t from);

// A subject the pattern layer can take: texts from JSON or host strings may hold lone
// surrogates (3-byte forms), which are shown to the patterns as U+FFFD, a character of
// the same length that no pattern treats differently. Returns `s` itself when it is
// already valid UTF-8, else a view of `buf`.
std::string_view match_subject(std::string_view s, std::string& buf);

}  // namespace audit
