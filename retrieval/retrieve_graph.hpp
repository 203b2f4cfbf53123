#pragma once
// One whole retrieval over a view of a graph: the query's terms, intent and capability
// boosts, the node and edge scores, the choice of files and edges, and the fallbacks
// when nothing scored. The caller reads its graph into the view and builds its result
// from the positions returned here; nothing of the graph is copied. The costs are those
// of the parts (retrieve.hpp): linear in the nodes and edges, plus the heap walk of the
// chosen files and the partial sort of the best edges.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "retrieval/capability_index.hpp"
#include "retrieval/retrieve.hpp"
#include "retrieval/scoring.hpp"

namespace retrieval {

// A stored id, kind or edge end that is neither a text nor absent is ordered and
// compared by the rules of the graph's host, which retrieval leaves to the caller. Each
// question is asked only when such a value takes part.
class OtherValues {
public:
    virtual ~OtherValues() = default;
    // When a candidate's id is of another kind: puts the candidates in the order of a
    // stable sort by (-score, stored id, "" when absent) under the host's ordering.
    virtual void order_files(std::vector<Candidate>& cands) = 0;
    // Of a node whose kind is of another kind, when the choice of files reaches it:
    // whether the text form of that kind is "symbol".
    virtual bool kind_is_symbol(std::size_t node) = 0;
    // When chosen files have ids of another kind (`nodes`, in ranking order): sets
    // touches[i] for each edge i not set yet, in graph order, whose stored end of another
    // kind equals one of those ids.
    virtual void touch(const std::vector<std::size_t>& nodes, std::vector<char>& touches) = 0;
    // When a stored edge end is of another kind: puts the scored edges in the order of a
    // stable sort by (-score, stored "from", stored "to", "" when absent) under the
    // host's ordering.
    virtual void order_edges(std::vector<ScoredEdge>& scored) = 0;
};

// Which stored values of a node are of another kind than text (and present).
struct OtherForms {
    bool id = false;
    bool kind = false;
};

// The graph as retrieval reads it; every view stays the caller's. A node's texts are its
// NodeText (its id "" when absent), an edge's its EdgeText.
struct GraphView {
    std::span<const NodeText> nodes = {};
    std::span<const EdgeText> edges = {};
    // One per node, or empty when every stored id and kind is a text or absent.
    std::span<const OtherForms> node_forms = {};
    // Whether a stored edge end is of another kind.
    bool other_edge_ends = false;
    // Asked when a node's forms or the edge ends above say so; may be null otherwise.
    OtherValues* other = nullptr;
};

// A chosen file: its node's position in the graph, total score and role ("_role").
struct ChosenFile {
    std::size_t node;
    std::int64_t score;
    std::string_view role;
};

// What one retrieval returns, as positions in the graph. The texts are fixed ones of
// the rule tables and outlive the call.
struct Retrieval {
    std::string_view intent;
    // The chosen files in ranking order, at most one per file base.
    std::vector<ChosenFile> files;
    // When no file was chosen, the first `fallback_files` nodes stand for them, as they
    // are; 0 otherwise.
    std::size_t fallback_files = 0;
    // The edges of the result in order: the best scored ones, or the first edges of the
    // graph when none scored above zero.
    std::vector<std::size_t> edges;
};

// The files and edges that answer `query` over `graph`, with the file boosts of `caps`.
// Files are chosen while fewer than `top_files` are; the best edges and both fallbacks
// are the host's slices [:count], so a negative count leaves that many out.
Retrieval retrieve(std::string_view query, const std::vector<CapabilityEntry>& caps, const GraphView& graph,
                   std::int64_t top_files, std::int64_t top_edges);

}  // namespace retrieval
