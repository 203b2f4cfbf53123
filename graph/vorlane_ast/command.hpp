#pragma once
// The command's work once its options are parsed: the previous graph's file nodes, the
// scan, the graph and symbol index files (each written to a temporary file and renamed
// over the target), and the three report lines. Linear in the size of the graphs.
#include <string>
#include <string_view>

#include "core/json.hpp"
#include "core/stop.hpp"
#include "graph/vorlane_ast/scan.hpp"

namespace vorlane_ast::command {

inline constexpr std::string_view DEFAULT_ROOT = ".";
inline constexpr std::string_view DEFAULT_OUT = ".nimbrel/info_graph.json";

// What a run wrote and reports.
struct Written {
    std::string out_path, index_path;
    std::size_t index_count = 0;
};
// Writes the graph to `out_path` (indented) and its symbol index beside it (one line).
// With `stop`, a stop requested before the graph's file is renamed into place ends with
// core::Stopped, both files as they were and no temporary file left.
Written write_graph(const core::Json& graph, const std::string& out_path, const core::StopFlag* stop = nullptr);

// The three report lines, each ended by a line break.
std::string report(const core::Json& graph, const Written& w);

// The whole run for the resolved root and the --out text, whose folder exists: the
// previous graph's file nodes (graph_kit::load_file_nodes, a byte-order mark passed
// over), the scan, both files, the report lines. Errors propagate;
// with `stop`, a stop request ends the run with core::Stopped before anything is written.
std::string run(const std::string& root, const std::string& out_path, const Languages& langs,
                const SymbolFallback& fallback, const core::StopFlag* stop);

}  // namespace vorlane_ast::command
