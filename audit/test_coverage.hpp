#pragma once
// How much of the source has tests, from file names alone: a code file counts as tested
// when some test file bears its stem once the test marker is stripped. Returns
// {total_code_files, tested_files, coverage_pct, untested}; `untested` holds at most 15
// of the first 20 untested files, largest first. Linear in the file nodes, plus at most
// 20 size lookups under `root`.
#include <string>

#include "core/json.hpp"
#include "core/stop.hpp"

namespace audit {

core::Json check_test_coverage(const core::Json& graph, const std::string& root, const core::StopFlag* stop = nullptr);

// round(covered / total * 100) with halves to even; 100 for no code files.
long long coverage_percent(long long covered, long long total);

// A test file's normalised stem: its marker (".test", "_spec", "test_", ...) removed,
// lower-cased.
std::string test_stem(std::string_view file_id);

}  // namespace audit
