#pragma once
// One file's analysis in two halves: its text, relations and symbols first (they need
// no earlier graph), then its nodes, taken over from the earlier graph or made afresh.
// Costs what the file's extractors cost; the nodes are made as document maps or, with
// `render`, as the texts of the written graph and symbol index.
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"
#include "core/records.hpp"
#include "graph/vorlane/file_result.hpp"
#include "graph/vorlane/frame.hpp"
#include "graph/vorlane/take_over.hpp"

namespace vorlane {

// The first half; false when the file is skipped (too large, unreadable, or without
// a file id).
bool analyse_text(const std::string& path, std::string_view resolved_root, FileText& t, FileResult& out);
// The second half. The node comes first in a file's work, so an error there wins over
// one of the first half.
void analyse_node(const Prior& prior, bool render, FileText& t, FileResult& out);
// Both halves.
void analyse_file(const std::string& path, std::string_view resolved_root, const Prior& prior, bool render,
                  FileResult& out);

// Appends, for each symbol record in order, its symbol node map (as node_as_dict writes
// it) to `nodes` and its "contains" edge from `file_id` to `edges`.
void append_symbol_nodes(core::Json& nodes, std::vector<core::Edge>& edges, const Symbols& syms,
                         const std::string& file_id, const std::string& ext);

}  // namespace vorlane
