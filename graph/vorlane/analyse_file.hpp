#pragma once
// One file's analysis in two halves: its text, relations and symbols first (they need
// no earlier graph), then its nodes, taken over from the earlier graph or made afresh.
// Costs what the file's extractors cost; the nodes are made as document maps or, with
// `render`, as the texts of the written graph and symbol index.
#include <exception>
#include <string>
#include <string_view>

#include "graph/kit/file_result.hpp"
#include "graph/kit/file_source.hpp"
#include "graph/kit/frame.hpp"
#include "graph/kit/take_over.hpp"

namespace vorlane {

// What one file's analysis keeps between its two halves: the relations and symbols,
// which need no earlier graph, and the node, which may be taken over from it.
struct FileText : graph_kit::SourceFile {
    graph_kit::Symbols syms;
    std::exception_ptr error;  // what the relations or symbols raised
};

// The first half; false when the file is skipped (too large, unreadable, or without
// a file id).
bool analyse_text(const std::string& path, std::string_view resolved_root, FileText& t, graph_kit::FileResult& out);
// The second half. The node comes first in a file's work, so an error there wins over
// one of the first half.
void analyse_node(const graph_kit::Prior& prior, bool render, FileText& t, graph_kit::FileResult& out);
// Both halves.
void analyse_file(const std::string& path, std::string_view resolved_root, const graph_kit::Prior& prior, bool render,
                  graph_kit::FileResult& out);

}  // namespace vorlane
