#include "retrieval/commands.hpp"

#include "core/fs.hpp"
#include "retrieval/action_log.hpp"
#include "retrieval/json_lines.hpp"
#include "retrieval/token_stats.hpp"

namespace retrieval {

namespace {

constexpr std::string_view kDefaultPrimeQuery = "General codebase maintenance task";

void append_line(std::string& out, std::string_view a, std::string_view b = {}) {
    out.append(a);
    out.append(b);
    out.push_back('\n');
}

void append_edge(std::string& out, const EdgeLine& e) {
    out += "- ";
    out += e.from;
    out += " --";
    out += e.rel;
    out += "--> ";
    out += e.to;
    out.push_back('\n');
}

}  // namespace

std::string scan_report(std::string_view node_count, std::string_view edge_count, std::string_view out_path) {
    std::string out;
    out += "Scanned: ";
    out += node_count;
    out += " nodes, ";
    out += edge_count;
    out += " edges\n";
    append_line(out, "Wrote: ", out_path);
    return out;
}

std::string retrieve_text(std::string_view query, const std::vector<std::string>& file_ids,
                          const std::vector<EdgeLine>& edges) {
    std::string out;
    append_line(out, "Query: ", query);
    append_line(out, "");
    append_line(out, "Relevant files:");
    for (const std::string& id : file_ids) append_line(out, "- ", id);
    append_line(out, "");
    append_line(out, "Relevant relations:");
    for (const EdgeLine& e : edges) append_edge(out, e);
    return out;
}

std::string retrieve_json(std::string_view query, const core::Json& files, const core::Json& edges) {
    core::Json doc = core::Json::object();
    doc["query"] = std::string(query);
    doc["files"] = files;
    doc["edges"] = edges;
    std::string out = core::json_dumps_indent(doc);
    out.push_back('\n');
    return out;
}

std::string prime_query(std::string_view option, const std::optional<std::string>& env_query) {
    if (!option.empty()) return std::string(option);
    if (env_query) return *env_query;
    return std::string(kDefaultPrimeQuery);
}

std::string prime_block(std::string_view query, const std::vector<std::string>& file_ids,
                        const std::vector<EdgeLine>& edges, const std::vector<ActionLine>& actions) {
    std::string out;
    append_line(out, "# Nimbrel Active\n");
    append_line(out, "## Rules");
    append_line(out, "- Prefer focused context over full transcript dumps.");
    append_line(out, "- Use graph-backed files/edges for impact analysis.");
    append_line(out, "- Preserve existing behavior unless request says otherwise.\n");
    append_line(out, "## Current Focus");
    out += "- Query: ";
    append_line(out, query, "\n");
    append_line(out, "## Relevant Files (Top " + std::to_string(file_ids.size()) + ")");
    for (const std::string& id : file_ids) append_line(out, "- ", id);
    append_line(out, "");
    append_line(out, "## Relevant Relations (Top " + std::to_string(edges.size()) + ")");
    for (const EdgeLine& e : edges) append_edge(out, e);
    append_line(out, "");
    append_line(out, "## Action Trail (Recent " + std::to_string(actions.size()) + ")");
    if (actions.empty()) append_line(out, "- (no actions recorded yet)");
    for (const ActionLine& a : actions) {
        out += "- [";
        out += a.kind;
        out += "] ";
        append_line(out, a.summary);
    }
    return out;
}

CommandOutput action_log_command(const std::string& log_path, std::string_view kind, std::string_view summary,
                                 std::string_view meta_text, std::chrono::system_clock::time_point now) {
    CommandOutput result;
    MetaParse meta = parse_meta(meta_text);
    if (!meta.ok) {
        result.status = 2;
        result.err = "error: invalid --meta JSON: " + meta.reason + "\n";
        return result;
    }
    core::fs::append_lines(log_path, event_line(iso_utc(now), kind, summary, meta.meta));
    result.out = "ok\n";
    return result;
}

CommandOutput stats_command(const std::string& log_path, bool json) {
    const TokenStats stats = token_stats(read_json_lines(log_path));
    CommandOutput result;
    result.out = json ? token_stats_json(stats) : token_stats_text(stats);
    return result;
}

}  // namespace retrieval
