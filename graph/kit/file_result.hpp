#pragma once
// What one listed file adds to the graph, made independently of the other files so
// that threads can make them in any order and the graph is gathered in walk order; and
// the de-duplication over the results in walk order: one file per file id, and the
// first edge of every distinct (from, to, rel). Linear in the results (one hash each).
#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/json.hpp"
#include "core/records.hpp"
#include "graph/kit/symbol_index.hpp"

namespace graph_kit {

struct FileResult {
    bool kept = false;              // false: skipped, adds nothing
    std::string file_id;            // when kept
    std::exception_ptr error;       // what ended its analysis, if anything
    std::vector<core::Edge> edges;  // its relation (or import) edges, then its "contains" edges
    // For the document form: its file node, then its symbol nodes.
    core::Json nodes = core::Json::array();
    // For the written form: the nodes' texts as they stand in the graph file, the
    // symbol index entries of its symbol nodes, and what making those entries raised.
    std::vector<std::string> node_text;
    std::vector<IndexEntry> index_text;
    std::size_t symbol_count = 0;
    std::exception_ptr index_error;
};

// A directory link inside the root lists the files of its target a second time under
// the same ids: the first file of each id stays, the later ones become skipped files.
void drop_repeated_ids(std::vector<FileResult>& results);

// Rethrows the first error in walk order, if any.
void rethrow_first_error(const std::vector<FileResult>& results);

// Edges compared by their (from, to, rel), held by address: the results own them.
struct EdgeRefHash {
    std::size_t operator()(const core::Edge* e) const {
        const std::hash<std::string_view> h;
        return (h(e->from) * 31 + h(e->to)) * 31 + h(e->rel);
    }
};
struct EdgeRefEq {
    bool operator()(const core::Edge* a, const core::Edge* b) const { return *a == *b; }
};

// The edges offered so far by their (from, to, rel): first(e) is true when none of them
// equals e. The edges are held by address and must outlive it.
class NewEdges {
public:
    bool first(const core::Edge& e) { return seen_.insert(&e).second; }

private:
    std::unordered_set<const core::Edge*, EdgeRefHash, EdgeRefEq> seen_;
};

// Calls `keep(e)` for every edge whose (from, to, rel) did not occur before, in order.
template <typename Keep>
void for_each_new_edge(const std::vector<FileResult>& results, const Keep& keep) {
    NewEdges seen;
    for (const FileResult& r : results)
        for (const core::Edge& e : r.edges)
            if (seen.first(e)) keep(e);
}

}  // namespace graph_kit
