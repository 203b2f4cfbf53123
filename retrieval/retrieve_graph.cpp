#include "retrieval/retrieve_graph.hpp"

#include "retrieval/query.hpp"

namespace retrieval {

namespace {

bool other_id(const GraphView& g, std::size_t node) { return !g.node_forms.empty() && g.node_forms[node].id; }
bool other_kind(const GraphView& g, std::size_t node) { return !g.node_forms.empty() && g.node_forms[node].kind; }

// The nodes that scored above zero, in graph order, keyed by their stored id when it is
// a text ("" otherwise); `ids_other` tells whether one of those ids is of another kind.
std::vector<Candidate> candidates(const GraphView& g, const std::vector<std::int64_t>& totals, bool& ids_other) {
    std::vector<Candidate> cands;
    ids_other = false;
    for (std::size_t u = 0; u < g.nodes.size(); ++u) {
        const std::int64_t s = totals[u];
        if (s <= 0) continue;
        const bool other = other_id(g, u);
        ids_other = ids_other || other;
        cands.push_back({u, s, other ? std::string_view() : g.nodes[u].id, {}});
    }
    return cands;
}

// The chosen files in ranking order; the file base is asked only of the candidates the
// choice reaches.
std::vector<ChosenFile> chosen_files(const GraphView& g, const std::vector<std::int64_t>& totals,
                                     std::int64_t top_files) {
    bool ids_other = false;
    std::vector<Candidate> cands = candidates(g, totals, ids_other);
    if (ids_other) g.other->order_files(cands);
    const std::vector<std::size_t> chosen = choose_files(cands, top_files, ids_other, [&](const Candidate& c) {
        const bool symbol = other_kind(g, c.index) ? g.other->kind_is_symbol(c.index) : g.nodes[c.index].symbol;
        return file_base(g.nodes[c.index].id, symbol ? "symbol" : "file");
    });
    std::vector<ChosenFile> files;
    files.reserve(chosen.size());
    for (std::size_t pos : chosen) {
        const NodeText& n = g.nodes[cands[pos].index];
        files.push_back({cands[pos].index, cands[pos].score, node_role(n.id, n.ext)});
    }
    return files;
}

// For each edge, whether a stored end is the stored id of a chosen file.
std::vector<char> touching_chosen(const GraphView& g, const EdgeStats& stats, const std::vector<ChosenFile>& files) {
    std::vector<std::string_view> text_ids;
    std::vector<std::size_t> other_nodes;
    for (const ChosenFile& f : files) {
        if (other_id(g, f.node))
            other_nodes.push_back(f.node);
        else
            text_ids.push_back(g.nodes[f.node].id);
    }
    std::vector<char> touches = stats.touching(g.edges, text_ids);
    if (!other_nodes.empty()) g.other->touch(other_nodes, touches);
    return touches;
}

// The chosen edges in ranking order.
std::vector<std::size_t> chosen_edges(const GraphView& g, const Query& q, const std::vector<char>& touches,
                                      std::int64_t top_edges) {
    std::vector<ScoredEdge> scored = q.score_edges(g.edges, touches);
    if (g.other_edge_ends) g.other->order_edges(scored);
    return choose_edges(scored, top_edges, g.other_edge_ends);
}

std::vector<std::size_t> first(std::size_t n) {
    std::vector<std::size_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = i;
    return out;
}

}  // namespace

Retrieval retrieve(std::string_view query, const std::vector<CapabilityEntry>& caps, const GraphView& g,
                   std::int64_t top_files, std::int64_t top_edges) {
    const Query q(query, capability_file_boosts(tokenize_query(query), caps));
    std::vector<std::string_view> node_ids(g.nodes.size());
    for (std::size_t u = 0; u < g.nodes.size(); ++u) node_ids[u] = g.nodes[u].id;
    const EdgeStats stats(node_ids, g.edges);

    Retrieval out;
    out.intent = q.intent();
    out.files = chosen_files(g, q.node_totals(g.nodes, stats), top_files);
    out.edges = chosen_edges(g, q, touching_chosen(g, stats, out.files), top_edges);
    if (out.files.empty()) out.fallback_files = slice_end(g.nodes.size(), top_files);
    if (out.edges.empty()) out.edges = first(slice_end(g.edges.size(), top_edges));
    return out;
}

}  // namespace retrieval
