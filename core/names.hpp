#pragma once
// The project's own file and folder names, spelled once: where the builders, the
// retrieval engine, the packer, the guard and the auditor find each other's files.
// Constants only.
#include <string_view>

namespace core::names {

// The per-project folder beside a project's sources, and what lies in it.
inline constexpr std::string_view DATA_DIR = ".nimbrel";
inline constexpr std::string_view GRAPH_FILE = "info_graph.json";
inline constexpr std::string_view SYMBOL_INDEX_FILE = "symbol_index.json";
inline constexpr std::string_view REGEX_GRAPH_FILE = "info_graph_regex.json";
inline constexpr std::string_view SUMMARIES_FILE = "structured_summaries.json";
inline constexpr std::string_view ACTION_GRAPH_FILE = "chat_action_graph.json";
inline constexpr std::string_view AUDIT_REPORT_FILE = "audit_report.json";
inline constexpr std::string_view AUDIT_CONTEXT_FILE = "AUDIT_CONTEXT.md";

// The retrieval engine's data folder in the install tree, its default capability index,
// and its logs.
inline constexpr std::string_view ENGINE_DATA_DIR = "data";
inline constexpr std::string_view CAPABILITY_INDEX_FILE = "functionality_index.md";
inline constexpr std::string_view ACTION_LOG_FILE = "action_events.jsonl";
inline constexpr std::string_view TOKEN_LOG_FILE = "token_usage.jsonl";

}  // namespace core::names
