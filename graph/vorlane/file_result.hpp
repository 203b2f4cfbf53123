#pragma once
// What one listed file adds to the graph, made independently of the other files so
// that threads can make them in any order and the graph is gathered in walk order.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "core/json.hpp"
#include "core/records.hpp"
#include "graph/kit/file_source.hpp"
#include "graph/kit/frame.hpp"
#include "graph/kit/symbol_index.hpp"

namespace vorlane {

struct FileResult {
    bool kept = false;              // false: skipped, adds nothing
    std::string file_id;            // when kept
    std::exception_ptr error;       // what ended its analysis, if anything
    std::vector<core::Edge> edges;  // its relation edges, then its "contains" edges
    // For the document form: its file node, then its symbol nodes.
    core::Json nodes = core::Json::array();
    // For the written form: the nodes' texts as they stand in the graph file, the
    // symbol index entries of its symbol nodes, and what making those entries raised.
    std::vector<std::string> node_text;
    std::vector<graph_kit::IndexEntry> index_text;
    std::size_t symbol_count = 0;
    std::exception_ptr index_error;
};

// What one file's analysis keeps between its two halves: the relations and symbols,
// which need no earlier graph, and the node, which may be taken over from it.
struct FileText : graph_kit::SourceFile {
    graph_kit::Symbols syms;
    std::exception_ptr error;  // what the relations or symbols raised
};

}  // namespace vorlane
