#pragma once
// The parts of retrieval: ranks a graph's nodes and edges for one query over a light
// view of the graph (texts seen in place), and says which node and edge of the graph to
// return; retrieve_graph.hpp runs them as one retrieval.
// Costs: one hash per node id and one lookup per edge end, one score per node (plus
// one test per capability prefix), a heap over the scored nodes popped only as far as
// the chosen files reach, one score per edge, and a selection of the best edges; no
// step is quadratic, and the scoring passes run on a few threads for large graphs.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "retrieval/capability_index.hpp"
#include "retrieval/scoring.hpp"
#include "retrieval/text_ids.hpp"

namespace retrieval {

// One edge: text forms of "from", "to" and "rel" ("" when absent), and the stored ends
// when they are texts (nullopt when absent or of another kind).
struct EdgeText {
    std::string_view from, to, rel;
    std::optional<std::string_view> from_key, to_key;
};

// The nodes' id texts, each with its degree (how many edge ends name it) and whether
// it imports a button or a badge. One hash per node id, then one lookup per edge end
// (fewer when a file's edges follow one another), on a few threads for large graphs;
// by id, everything is an array access.
class EdgeStats {
public:
    EdgeStats(const std::vector<std::string_view>& node_ids, std::span<const EdgeText> edges);
    // The id of a node's id text, TextIds::kNone for a text that is no node's id.
    std::uint32_t id_of(std::string_view text) const { return ids_.find(text); }
    std::uint32_t node_id(std::size_t node_index) const { return node_ids_[node_index]; }
    std::int64_t degree(std::uint32_t id) const { return id == TextIds::kNone ? 0 : degree_[id]; }
    bool imports_button(std::uint32_t id) const { return id != TextIds::kNone && (flags_[id] & 1); }
    bool imports_badge(std::uint32_t id) const { return id != TextIds::kNone && (flags_[id] & 2); }
    // For each edge, whether a stored text end is one of `chosen` (node id texts).
    std::vector<char> touching(std::span<const EdgeText> edges, const std::vector<std::string_view>& chosen) const;

private:
    TextIds ids_;
    std::vector<std::uint32_t> node_ids_;
    std::vector<std::int64_t> degree_;
    std::vector<unsigned char> flags_;
    std::vector<std::uint32_t> from_, to_;
};

// A scored edge: its graph index, score and the texts of its stored ends for ordering.
struct ScoredEdge {
    std::size_t index;
    std::int64_t score;
    std::string_view from_key, to_key;
};
// Everything one retrieval derives from its query and capability boosts.
class Query {
public:
    Query(std::string_view query, Boosts boosts);
    const std::vector<std::string>& terms() const { return terms_.terms(); }
    const QueryAnalysis& analysis() const { return qa_; }
    std::string_view intent() const { return qa_.intent; }
    const Boosts& boosts() const { return boosts_; }
    // score_node plus the capability, degree and consumer boosts of the node's id text.
    std::int64_t node_total(const NodeText& node, const EdgeStats& stats) const;
    std::int64_t node_total(const NodeText& node, std::uint32_t id, const EdgeStats& stats) const;
    // node_total of every node (the nodes EdgeStats was built with), on a few threads
    // for large graphs.
    std::vector<std::int64_t> node_totals(std::span<const NodeText> nodes, const EdgeStats& stats) const;
    // The edge's score: 2 per term in "from rel to", +4 when an end is a chosen id
    // (`touches_chosen`), +2 when a stored text end is a capability path, +1 for imports.
    std::int64_t edge_score(const EdgeText& edge, bool touches_chosen) const;
    // edge_score of every edge (touches_chosen[i] for edge i); those above zero, in
    // graph order, with their stored text ends ("" otherwise) for ordering.
    std::vector<ScoredEdge> score_edges(std::span<const EdgeText> edges, const std::vector<char>& touches_chosen) const;

private:
    TermCounter terms_;
    QueryAnalysis qa_;
    Boosts boosts_;
    std::vector<std::pair<std::string, std::int64_t>> prefixes_;  // "/" and "*" keys, "*" cut
    bool button_ = false, badge_ = false;
};

// A node that scored above zero: its graph index, total, sort key (the stored id when a
// text, "" when absent) and file base (which choose_files may instead ask for only of
// the candidates it reaches).
struct Candidate {
    std::size_t index;
    std::int64_t score;
    std::string_view key;
    std::string_view base;
};

// The file base: for a symbol the id before its first "::", else the whole id.
std::string_view file_base(std::string_view id, std::string_view kind);

// End of a host slice [:k] over `len` items.
std::size_t slice_end(std::size_t len, std::int64_t k);

// Candidates in ranking order, (-score, key) ascending, graph order among equals.
bool ranks_before(const Candidate& a, const Candidate& b);
// The chosen files, in order: walks the candidates in ranking order (when `ordered`
// they already are; otherwise only as far as needed), skipping a repeated file base,
// until `top_files` are chosen. Returns positions in `cands`.
std::vector<std::size_t> choose_files(const std::vector<Candidate>& cands, std::int64_t top_files, bool ordered);
// The same with the file base of a candidate given by `base_of`, asked only of the
// candidates the walk reaches.
std::vector<std::size_t> choose_files(const std::vector<Candidate>& cands, std::int64_t top_files, bool ordered,
                                      const std::function<std::string_view(const Candidate&)>& base_of);

bool edge_ranks_before(const ScoredEdge& a, const ScoredEdge& b);
// The first slice_end(len, top_edges) scored edges in ranking order; `scored` is
// reordered. When `ordered`, it is in ranking order already.
std::vector<std::size_t> choose_edges(std::vector<ScoredEdge>& scored, std::int64_t top_edges, bool ordered);

}  // namespace retrieval
