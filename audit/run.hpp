#pragma once
// The audit run and the pieces of its command: the seven checks in their fixed order
// over one loaded graph, the results map, the JSON report and the texts the command
// writes around them. The host sequences these and does the writing to its streams.
// The run holds the graph once (moved in, never copied) and costs what its checks cost.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/json.hpp"
#include "core/stop.hpp"

namespace audit {

struct CheckStep {
    std::string_view key;    // the results map's key
    std::string_view label;  // the progress label
};
inline constexpr std::array<CheckStep, 7> CHECK_STEPS = {{
    {"dead_exports", "dead exports"},
    {"test_coverage", "test coverage"},
    {"circular_deps", "circular deps"},
    {"copy_paste", "copy-paste"},
    {"db_in_routes", "DB in routes"},
    {"todos", "TODOs"},
    {"missing_error_handling", "error handling"},
}};

// Runs check `i` of CHECK_STEPS over the graph alone (a source check reads under `root`
// on the whole thread budget). With `stop` given, a requested stop ends the check before
// it starts or within its walk (a source check at its next file) with core::Stopped.
core::Json run_check(std::size_t i, const core::Json& graph, const std::string& root,
                     const core::StopFlag* stop = nullptr);

// Whether a loaded graph is usable: neither null nor an empty map.
bool has_graph(const core::Json& graph);

// The seven results in their fixed order, then "debt_score" (no "_graph"). No more
// threads run at once than the thread budget (core/parallel.hpp), the calling thread
// counted: on one thread the checks run in order on the calling thread; on more, the
// checks over the graph alone run there in order while the source checks run on the
// rest of the budget (side by side from four threads on). `progress` is told, in the
// calling thread and in order, before (done = false) and after (done = true) each
// check's result is taken. A stop requested through `stop` ends the run with
// core::Stopped, within a check's walk and between checks, once every check's thread
// has ended; progress is told nothing more.
core::Json run_checks(const core::Json& graph, const std::string& root,
                      const std::function<void(const CheckStep&, bool done)>& progress = {},
                      const core::StopFlag* stop = nullptr);

// The whole run over a usable graph: {"_graph", the seven results, "debt_score"}.
// `progress` and `stop` as for run_checks.
core::Json run_audit(core::Json graph, const std::string& root,
                     const std::function<void(const CheckStep&, bool done)>& progress = {},
                     const core::StopFlag* stop = nullptr);

// Standard-error texts of the command.
std::string banner(const std::string& root);                 // "\nTarvelle Auditor — <name>\n"
std::string missing_graph_message(const std::string& root);  // the two lines, each ending "\n"
std::string progress_start(const CheckStep& step);           // "  <label>...  "
std::string closing_lines(const std::string& report_path, const std::string& context_path);
inline constexpr std::string_view LAUNCH_LINE = "\n  Launching wendle with audit context...\n";

// The command's project root: a leading "~" expanded, made absolute and resolved.
std::string resolve_root(std::string_view root_arg);
// The report path: `out` as given (normalised only) when non-empty, else
// <root>/.nimbrel/audit_report.json.
std::string report_path(const std::optional<std::string>& out, const std::string& root);
// The results map without "_graph", as indented JSON text (no final line break).
std::string report_json(const core::Json& results);
// Creates the report's directory and writes the report file; returns the JSON text.
std::string write_report(const std::string& path, const core::Json& results);

// The product command for fix mode: "bin/wendle" beside the module when it exists,
// else "wendle" on the executable search path (absolute entries only, never the current
// directory); nullopt when there is none. On Windows a program there is the name with one
// of the endings the C runtime tries (.com, .exe, .bat, .cmd), and the path returned is
// the name without it, as the hand-over takes it.
std::optional<std::string> find_wendle(const std::string& module_dir);

}  // namespace audit
