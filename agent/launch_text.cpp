#include "agent/launch_text.hpp"

#include <charconv>
#include <cmath>

namespace agent::launch {

std::string fixed(double x, int decimals) {
    if (std::isnan(x)) return "nan";
    if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

std::string usage_lines() {
    return "Usage: wendle-claude [OPTIONS] \"your question here\"\n"
           "Run wendle-claude --help for full options.\n";
}

std::string root_missing_line(std::string_view root) {
    return "[wendle] Error: project root does not exist: " + std::string(root) + "\n";
}

std::string graph_error_line(std::string_view message) {
    return "[wendle] Error loading graph: " + std::string(message) + "\n";
}

std::string no_graph_line(std::string_view root) {
    return "[wendle] No graph found \u2014 scanning " + std::string(root) + " ...\n";
}

std::string graph_built_line(double elapsed, std::string_view nodes, std::string_view edges) {
    return "[wendle] Graph built in " + fixed(elapsed, 1) + "s: " + std::string(nodes) + " nodes, " +
           std::string(edges) + " edges\n";
}

std::string packed_line(double pack_time, std::string_view tokens) {
    return "[wendle] Context packed in " + fixed(pack_time, 2) + "s (~" + std::string(tokens) + " tokens)\n";
}

std::string missing_agent_lines() {
    return "[wendle] Error: 'claude' binary not found in PATH.\n"
           "Install the Claude Code command-line tool and put 'claude' on PATH; its documentation "
           "comes with the tool ('claude --help').\n";
}

std::string launching_line(std::string_view model) {
    return "[wendle] Launching: claude -p ... --model " + std::string(model) + "\n";
}

}  // namespace agent::launch
