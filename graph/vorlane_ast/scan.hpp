#pragma once
// The syntax-tree builder's scan: one information graph of the tree under a root, file
// nodes with their import edges and symbols, the structural peers, repeats removed, and
// `ast_mode`. Files are analysed on several threads, each file on its own, and put
// together in walk order, so the graph is the same on one thread and on many. Memory
// holds every scanned file's node (its stored content is capped) and edges.
#include <string_view>

#include "core/json.hpp"
#include "core/stop.hpp"
#include "graph/vorlane_ast/dispatch.hpp"

namespace vorlane_ast {

// `root` is used as given (the file ids come from resolved paths); `existing_nodes` is
// an object from file id to the map of a previous file node, or null. `fallback` gives
// the symbols of the files no syntax tree takes; it may be called on any thread. With
// `stop`, a stop request ends the scan with core::Stopped between files (each thread
// finishes the file in hand).
core::Json scan(std::string_view root, const core::Json& existing_nodes, const Languages& langs,
                const SymbolFallback& fallback, const core::StopFlag* stop = nullptr);

}  // namespace vorlane_ast
