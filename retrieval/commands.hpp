#pragma once
// The texts of the engine's sub-commands once their inputs are gathered: the scan
// report, the retrieve text and JSON forms, the prime block, and the whole runs of
// `action log` and `stats`, which touch only their log. Each costs time linear in what
// it prints (and in the log it reads).
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"

namespace retrieval {

// What a sub-command run hands back to the command line: its exit status and the texts
// for standard output and standard error.
struct CommandOutput {
    int status = 0;
    std::string out;
    std::string err;
};

// One relation as printed: the text forms of its `from`, `rel` and `to`.
struct EdgeLine {
    std::string from, rel, to;
};

// One action-trail row as printed: the text forms of its `kind` and `summary`.
struct ActionLine {
    std::string kind, summary;
};

// "Scanned: N nodes, E edges" and "Wrote: <path>".
std::string scan_report(std::string_view node_count, std::string_view edge_count, std::string_view out_path);

// The query line, the relevant files and the relevant relations.
std::string retrieve_text(std::string_view query, const std::vector<std::string>& file_ids,
                          const std::vector<EdgeLine>& edges);
// {"query", "files", "edges"} with an indent of two, ended by a line feed.
std::string retrieve_json(std::string_view query, const core::Json& files, const core::Json& edges);

// The query that prime retrieves for: the option when not empty, else KESTIL_QUERY when
// it is set (even to the empty text), else the general maintenance task.
std::string prime_query(std::string_view option, const std::optional<std::string>& env_query);
// The prime block: rules, focus, files, relations and the action trail, oldest first.
std::string prime_block(std::string_view query, const std::vector<std::string>& file_ids,
                        const std::vector<EdgeLine>& edges, const std::vector<ActionLine>& actions);

// `action log` after the data directory exists: checks --meta, appends the event to the
// log at `log_path` stamped with `now`, and reports "ok" (status 0), or refuses the meta
// on standard error (status 2) and appends nothing. File-system errors propagate.
CommandOutput action_log_command(const std::string& log_path, std::string_view kind, std::string_view summary,
                                 std::string_view meta_text, std::chrono::system_clock::time_point now);

// `stats` over the token-usage log at `log_path`: the text form, or the JSON form when
// `json` is set. A missing log is an empty one; read errors propagate.
CommandOutput stats_command(const std::string& log_path, bool json);

}  // namespace retrieval
