#pragma once
// A file's fresh nodes as both builders make them: its file node from its text, and a
// symbol node with its "contains" edge for each of its symbol records. The maps are
// made from the records' key lists (core/records.hpp). Linear in what they copy.
#include <string>
#include <vector>

#include "core/json.hpp"
#include "core/records.hpp"
#include "graph/kit/file_source.hpp"
#include "graph/kit/frame.hpp"

namespace graph_kit {

// The file node of a file analysed afresh, with its summary and keywords.
core::Node file_node(const SourceFile& f, std::string summary, std::vector<std::string> keywords);

// The symbol node of a record of the file `file_id`.
core::Node symbol_node(const core::SymbolRecord& s, const std::string& file_id, const std::string& ext);

// Appends, for each symbol record in order, its symbol node map (as node_as_dict writes
// it) to `nodes` and its "contains" edge from `file_id` to `edges`.
void append_symbol_nodes(core::Json& nodes, std::vector<core::Edge>& edges, const Symbols& syms,
                         const std::string& file_id, const std::string& ext);

}  // namespace graph_kit
