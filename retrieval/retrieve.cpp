#include "retrieval/retrieve.hpp"

#include <algorithm>
#include <unordered_set>

#include "core/text.hpp"
#include "retrieval/parallel.hpp"

namespace retrieval {

EdgeStats::EdgeStats(const std::vector<std::string_view>& node_ids, std::span<const EdgeText> edges)
    : ids_(node_ids.size()) {
    static const WordSet words(std::vector<std::string>{"button", "badge"});
    // The ids' hashes side by side, then one insert each.
    std::vector<std::uint64_t> hashes(node_ids.size());
    parallel_for(node_ids.size(), worker_count(node_ids.size()), [&](unsigned, std::size_t b, std::size_t e) {
        for (std::size_t i = b; i < e; ++i) hashes[i] = text_hash(node_ids[i]);
    });
    node_ids_.reserve(node_ids.size());
    for (std::size_t i = 0; i < node_ids.size(); ++i) node_ids_.push_back(ids_.intern(node_ids[i], hashes[i]));
    from_.resize(edges.size());
    to_.resize(edges.size());
    std::vector<unsigned char> imports(edges.size(), 0);
    // Lookups only: the parts run side by side. A builder writes a file's edges one
    // after another, so the last "from" is at hand without a lookup.
    parallel_for(edges.size(), worker_count(edges.size()), [&](unsigned, std::size_t b, std::size_t end) {
        std::string_view last_from;
        std::uint32_t last_id = TextIds::kNone;
        bool have = false;
        for (std::size_t i = b; i < end; ++i) {
            const EdgeText& e = edges[i];
            if (!have || e.from != last_from) {
                last_id = ids_.find(e.from);
                last_from = e.from;
                have = true;
            }
            from_[i] = last_id;
            to_[i] = ids_.find(e.to);
            if (last_id != TextIds::kNone && e.rel == "imports") {  // only a node's id can use the flags
                std::uint64_t m = 0;
                if (!words.find_if_ascii(e.to, m)) m = words.find(core::lower(e.to));
                imports[i] = static_cast<unsigned char>(m & 3);
            }
        }
    });
    degree_.assign(ids_.size(), 0);
    flags_.assign(ids_.size(), 0);
    // An empty end adds no degree, but an empty "from" still imports (a node without
    // an id is its importer).
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (from_[i] != TextIds::kNone) {
            if (!edges[i].from.empty()) ++degree_[from_[i]];
            flags_[from_[i]] |= imports[i];
        }
        if (to_[i] != TextIds::kNone && !edges[i].to.empty()) ++degree_[to_[i]];
    }
}

std::vector<char> EdgeStats::touching(std::span<const EdgeText> edges,
                                      const std::vector<std::string_view>& chosen) const {
    std::vector<char> mark(ids_.size(), 0);
    for (std::string_view c : chosen)
        if (const std::uint32_t id = ids_.find(c); id != TextIds::kNone) mark[id] = 1;
    auto marked = [&](std::uint32_t id) { return id != TextIds::kNone && mark[id]; };
    std::vector<char> out(edges.size(), 0);
    for (std::size_t i = 0; i < edges.size(); ++i)
        out[i] = (edges[i].from_key && marked(from_[i])) || (edges[i].to_key && marked(to_[i]));
    return out;
}

Query::Query(std::string_view query, Boosts boosts)
    : terms_(tokenize_query(query)), qa_(analyse_query(query)), boosts_(std::move(boosts)) {
    for (const auto& [pref, b] : boosts_.entries()) {
        if (pref.ends_with('/'))
            prefixes_.emplace_back(pref, b);
        else if (pref.ends_with('*'))
            prefixes_.emplace_back(pref.substr(0, pref.size() - 1), b);
    }
    button_ = qa_.q.find("button") != std::string::npos;
    badge_ = qa_.q.find("badge") != std::string::npos;
}

std::int64_t Query::node_total(const NodeText& node, const EdgeStats& stats) const {
    return node_total(node, stats.id_of(node.id), stats);
}

std::int64_t Query::node_total(const NodeText& node, std::uint32_t id, const EdgeStats& stats) const {
    std::int64_t s = score_node(node, terms_, qa_);
    if (!boosts_.empty())
        if (const std::int64_t* b = boosts_.find(node.id)) s += *b;
    for (const auto& [pref, b] : prefixes_)
        if (node.id.starts_with(pref)) s += b;
    s += std::min<std::int64_t>(stats.degree(id) / 3, 4);
    if (button_ && stats.imports_button(id)) s += 6;
    if (button_ || badge_) {
        const bool badge_importer = stats.imports_badge(id);
        if (button_ && !badge_ && badge_importer) s -= 2;
        if (badge_ && badge_importer) s += 4;
    }
    return s;
}

std::vector<std::int64_t> Query::node_totals(std::span<const NodeText> nodes, const EdgeStats& stats) const {
    std::vector<std::int64_t> out(nodes.size());
    parallel_for(nodes.size(), worker_count(nodes.size()), [&](unsigned, std::size_t b, std::size_t e) {
        for (std::size_t i = b; i < e; ++i) out[i] = node_total(nodes[i], stats.node_id(i), stats);
    });
    return out;
}

std::int64_t Query::edge_score(const EdgeText& e, bool touches_chosen) const {
    thread_local std::string text;
    text.clear();
    text.append(e.from).append(" ").append(e.rel).append(" ").append(e.to);
    std::int64_t s = 2 * static_cast<std::int64_t>(terms_.count(text));
    if (touches_chosen) s += 4;
    if (!boosts_.empty() && ((e.from_key && boosts_.find(*e.from_key)) || (e.to_key && boosts_.find(*e.to_key))))
        s += 2;
    if (e.rel == "imports") s += 1;
    return s;
}

std::vector<ScoredEdge> Query::score_edges(std::span<const EdgeText> edges,
                                           const std::vector<char>& touches_chosen) const {
    std::vector<ScoredEdge> out;
    if (!terms_.separable()) {
        for (std::size_t i = 0; i < edges.size(); ++i) {
            const std::int64_t s = edge_score(edges[i], touches_chosen[i] != 0);
            if (s > 0) out.push_back({i, s, edges[i].from_key.value_or(""), edges[i].to_key.value_or("")});
        }
        return out;
    }
    // Terms hold no space: the terms of "from rel to" are those of its three pieces,
    // and the pieces of consecutive edges of one file repeat.
    const unsigned workers = worker_count(edges.size());
    std::vector<std::vector<ScoredEdge>> parts(std::max(1u, workers));
    parallel_for(edges.size(), workers, [&](unsigned part, std::size_t b, std::size_t end) {
        std::vector<ScoredEdge>& mine = parts[part];
        std::string_view last_from, last_rel;
        std::uint64_t from_mask = 0, rel_mask = 0;
        bool have_from = false, have_rel = false;
        for (std::size_t i = b; i < end; ++i) {
            const EdgeText& e = edges[i];
            if (!have_from || e.from != last_from) {
                from_mask = terms_.mask(e.from);
                last_from = e.from;
                have_from = true;
            }
            if (!have_rel || e.rel != last_rel) {
                rel_mask = terms_.mask(e.rel);
                last_rel = e.rel;
                have_rel = true;
            }
            std::int64_t s = 2 * static_cast<std::int64_t>(terms_.count_of(from_mask | rel_mask | terms_.mask(e.to)));
            if (touches_chosen[i]) s += 4;
            if (!boosts_.empty() &&
                ((e.from_key && boosts_.find(*e.from_key)) || (e.to_key && boosts_.find(*e.to_key))))
                s += 2;
            if (e.rel == "imports") s += 1;
            if (s > 0) mine.push_back({i, s, e.from_key.value_or(""), e.to_key.value_or("")});
        }
    });
    for (std::vector<ScoredEdge>& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
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
    return choose_files(cands, top_files, ordered, [](const Candidate& c) { return c.base; });
}

std::vector<std::size_t> choose_files(const std::vector<Candidate>& cands, std::int64_t top_files, bool ordered,
                                      const std::function<std::string_view(const Candidate&)>& base_of) {
    std::vector<std::size_t> chosen;
    if (top_files <= 0 || cands.empty()) return chosen;
    const std::size_t want = static_cast<std::size_t>(top_files);
    std::unordered_set<std::string_view> seen;
    auto take = [&](std::size_t pos) {
        if (seen.insert(base_of(cands[pos])).second) chosen.push_back(pos);
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
