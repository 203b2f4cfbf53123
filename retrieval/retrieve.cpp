#include "retrieval/retrieve.hpp"

#include <algorithm>

#include "core/text.hpp"

namespace retrieval {

EdgeStats::EdgeStats(const std::vector<EdgeText>& edges) {
    degree_.reserve(edges.size());
    for (const EdgeText& e : edges) {
        if (!e.from.empty()) ++degree_[e.from];
        if (!e.to.empty()) ++degree_[e.to];
        if (e.rel == "imports") {
            const std::string to_l = core::lower(e.to);
            if (to_l.find("button") != std::string::npos) button_.insert(e.from);
            if (to_l.find("badge") != std::string::npos) badge_.insert(e.from);
        }
    }
}

std::int64_t EdgeStats::degree(std::string_view id) const {
    const auto it = degree_.find(id);
    return it == degree_.end() ? 0 : it->second;
}

Query::Query(std::string_view query, Boosts boosts)
    : terms_(tokenize_query(query)), qa_(analyse_query(query)), boosts_(std::move(boosts)) {
    for (const auto& [pref, b] : boosts_.entries()) {
        if (pref.ends_with('/')) prefixes_.emplace_back(pref, b);
        else if (pref.ends_with('*')) prefixes_.emplace_back(pref.substr(0, pref.size() - 1), b);
    }
    button_ = qa_.q.find("button") != std::string::npos;
    badge_ = qa_.q.find("badge") != std::string::npos;
}

std::int64_t Query::node_total(const NodeText& node, const EdgeStats& stats) const {
    std::int64_t s = score_node(node, terms_, qa_);
    if (const std::int64_t* b = boosts_.find(node.id)) s += *b;
    for (const auto& [pref, b] : prefixes_)
        if (node.id.starts_with(pref)) s += b;
    s += std::min<std::int64_t>(stats.degree(node.id) / 3, 4);
    if (button_ && stats.imports_button(node.id)) s += 6;
    if (button_ && !badge_ && stats.imports_badge(node.id)) s -= 2;
    if (badge_ && stats.imports_badge(node.id)) s += 4;
    return s;
}

std::int64_t Query::edge_score(const EdgeText& e, bool touches_chosen) const {
    std::string text;
    text.reserve(e.from.size() + e.rel.size() + e.to.size() + 2);
    text.append(e.from).append(" ").append(e.rel).append(" ").append(e.to);
    std::int64_t s = 2 * static_cast<std::int64_t>(score_text(text, terms_));
    if (touches_chosen) s += 4;
    if ((e.from_key && boosts_.find(*e.from_key)) || (e.to_key && boosts_.find(*e.to_key))) s += 2;
    if (e.rel == "imports") s += 1;
    return s;
}

std::string_view file_base(std::string_view id, std::string_view kind) {
    if (kind != "symbol") return id;
    return id.substr(0, id.find("::"));
}

std::size_t slice_end(std::size_t len, std::int64_t k) {
    if (k >= 0) return std::min<std::size_t>(len, static_cast<std::size_t>(k));
    const std::uint64_t cut = static_cast<std::uint64_t>(-(k + 1)) + 1;
    return cut >= len ? 0 : len - static_cast<std::size_t>(cut);
}

bool ranks_before(const Candidate& a, const Candidate& b) {
    if (a.score != b.score) return a.score > b.score;
    if (a.key != b.key) return a.key < b.key;
    return a.index < b.index;
}

std::vector<std::size_t> choose_files(const std::vector<Candidate>& cands, std::int64_t top_files, bool ordered) {
    std::vector<std::size_t> chosen;
    if (top_files <= 0 || cands.empty()) return chosen;
    const std::size_t want = static_cast<std::size_t>(top_files);
    std::unordered_set<std::string_view> seen;
    auto take = [&](std::size_t pos) {
        if (seen.insert(cands[pos].base).second) chosen.push_back(pos);
    };
    if (ordered) {
        for (std::size_t pos = 0; pos < cands.size() && chosen.size() < want; ++pos) take(pos);
        return chosen;
    }
    // A heap pops the candidates in ranking order; only as many as the choice needs.
    std::vector<std::size_t> heap(cands.size());
    for (std::size_t i = 0; i < heap.size(); ++i) heap[i] = i;
    auto after = [&](std::size_t a, std::size_t b) { return ranks_before(cands[b], cands[a]); };
    std::make_heap(heap.begin(), heap.end(), after);
    while (!heap.empty() && chosen.size() < want) {
        std::pop_heap(heap.begin(), heap.end(), after);
        take(heap.back());
        heap.pop_back();
    }
    return chosen;
}

bool edge_ranks_before(const ScoredEdge& a, const ScoredEdge& b) {
    if (a.score != b.score) return a.score > b.score;
    if (a.from_key != b.from_key) return a.from_key < b.from_key;
    if (a.to_key != b.to_key) return a.to_key < b.to_key;
    return a.index < b.index;
}

std::vector<std::size_t> choose_edges(std::vector<ScoredEdge>& scored, std::int64_t top_edges, bool ordered) {
    const std::size_t n = slice_end(scored.size(), top_edges);
    if (!ordered) {
        if (n < scored.size()) {
            std::nth_element(scored.begin(), scored.begin() + static_cast<std::ptrdiff_t>(n), scored.end(),
                             edge_ranks_before);
        }
        std::sort(scored.begin(), scored.begin() + static_cast<std::ptrdiff_t>(n), edge_ranks_before);
    }
    std::vector<std::size_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = scored[i].index;
    return out;
}

}  // namespace retrieval
