#pragma once
// The builder's command once its options are parsed: scan the root, reuse the graph it
// wrote last time, write the graph and the symbol index, report.
#include <string>
#include <string_view>

#include "core/json.hpp"
#include "core/stop.hpp"

namespace vorlane::command {

inline constexpr std::string_view DEFAULT_ROOT = ".";
inline constexpr std::string_view DEFAULT_OUT = "nimbrel-dashboard/data/info_graph.json";

// The whole run for the given --root and --out texts; returns the three report lines,
// each ended by a line break. Errors propagate. The graph written last time at the
// --out path is reused by hash (graph_kit::load_file_nodes; a byte-order mark before it
// makes it unusable).
// The run leaves its own two output files out of the walk. With `stop`, a stop request
// ends it with core::Stopped before anything is written.
std::string run(std::string_view root_arg, std::string_view out_arg);
std::string run(std::string_view root_arg, std::string_view out_arg, const core::StopFlag* stop);

}  // namespace vorlane::command
