#pragma once
// The launcher's own lines on standard error, each with its final line break, and the
// fixed-point timings in them. Constant cost apart from copying the inserted texts.
#include <string>
#include <string_view>

namespace agent::launch {

// f"{x:.{decimals}f}": the exact binary value rounded to nearest, ties to even.
std::string fixed(double x, int decimals);

// Both usage lines for an empty question.
std::string usage_lines();
std::string root_missing_line(std::string_view root);
std::string graph_error_line(std::string_view message);
std::string no_graph_line(std::string_view root);
// `nodes` and `edges` are the text forms of the graph's counts ("?" when missing).
std::string graph_built_line(double elapsed, std::string_view nodes, std::string_view edges);
std::string packed_line(double pack_time, std::string_view tokens);
// Both lines for a missing agent tool.
std::string missing_agent_lines();
std::string launching_line(std::string_view model);

}  // namespace agent::launch
