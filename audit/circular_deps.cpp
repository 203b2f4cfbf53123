#include "audit/circular_deps.hpp"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "audit/values.hpp"

namespace audit {

namespace {

constexpr std::size_t kMaxStarts = 300;
constexpr std::size_t kCycleLimit = 10;

// The adjacency over dense ids: each source's distinct targets in first-seen order.
struct Adjacency {
    std::vector<std::string> names;
    std::unordered_map<std::string, std::uint32_t> index;
    std::vector<std::vector<std::uint32_t>> targets;
    std::vector<std::uint32_t> sources;  // in order of each source's first edge
    std::vector<bool> is_source;

    std::uint32_t id(const std::string& s) {
        auto [it, added] = index.try_emplace(s, static_cast<std::uint32_t>(names.size()));
        if (added) {
            names.push_back(s);
            targets.emplace_back();
            is_source.push_back(false);
        }
        return it->second;
    }
};

// An endpoint: "" when absent; a value that is neither text nor false cannot be an id.
std::string endpoint(const Json& edge, std::string_view key) {
    const Json* v = find(edge, key);
    if (!v) return {};
    if (v->is_string()) return v->get<std::string>();
    if (!truthy(*v)) return {};
    throw TypeError(std::string("an edge's '") + std::string(key) + "' must be text, not " + type_name(*v));
}

}  // namespace

core::Json check_circular_deps(const core::Json& graph, const core::StopFlag* stop) {
    const Json& edges = list_or_empty(graph, "edges");
    Adjacency adj;
    std::unordered_set<std::uint64_t> pairs;
    for (const Json& e : edges) {
        core::check_stop(stop);
        const Json* rel = find(e, "rel");
        if (!equals_text(rel, "imports") && !equals_text(rel, "references")) continue;
        const std::string s = endpoint(e, "from"), d = endpoint(e, "to");
        if (s.empty() || d.empty() || s == d) continue;
        const std::uint32_t a = adj.id(s), b = adj.id(d);
        if (!adj.is_source[a]) {
            adj.is_source[a] = true;
            adj.sources.push_back(a);
        }
        if (pairs.insert((std::uint64_t{a} << 32) | b).second) adj.targets[a].push_back(b);
    }

    const std::size_t n = adj.names.size();
    std::vector<bool> seen(n, false);
    // Position of each id on the current path, or -1: the path's members and where a
    // closing id stands, in one lookup.
    std::vector<std::int64_t> on_path(n, -1);
    std::vector<std::uint32_t> path;
    struct Frame {
        std::uint32_t node;
        std::size_t next;  // index of the next target to walk
    };
    std::vector<Frame> stack;
    Json cycles = Json::array();

    auto record = [&](std::int64_t from) {
        Json cyc = Json::array();
        for (std::size_t i = static_cast<std::size_t>(from); i < path.size(); ++i) cyc.push_back(adj.names[path[i]]);
        cycles.push_back(std::move(cyc));
    };
    // Entering a visit: the recursive form returns at once when enough cycles exist.
    auto enter = [&](std::uint32_t node) {
        path.push_back(node);
        on_path[node] = static_cast<std::int64_t>(path.size() - 1);
        stack.push_back({node, cycles.size() >= kCycleLimit ? adj.targets[node].size() : 0});
    };

    for (std::size_t k = 0; k < adj.sources.size() && k < kMaxStarts; ++k) {
        const std::uint32_t start = adj.sources[k];
        if (seen[start]) continue;
        enter(start);
        while (!stack.empty()) {
            core::check_stop(stop);
            Frame& f = stack.back();
            const auto& targets = adj.targets[f.node];
            if (f.next == targets.size()) {
                on_path[f.node] = -1;
                path.pop_back();
                stack.pop_back();
                continue;
            }
            const std::uint32_t nb = targets[f.next++];
            if (on_path[nb] >= 0) {
                record(on_path[nb]);
            } else if (!seen[nb]) {
                seen[nb] = true;
                enter(nb);
            }
        }
        seen[start] = true;
    }
    return cycles;
}

}  // namespace audit
