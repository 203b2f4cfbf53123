#include "graph/vorlane/scan.hpp"

// The scan's two forms over the same analysis: the graph as a document, and the graph
// and symbol index as the command writes them.

#include <future>
#include <iterator>
#include <utility>

#include "graph/vorlane/analyse_all.hpp"
#include "graph/vorlane/dedupe.hpp"
#include "graph/vorlane/graph_text.hpp"
#include "graph/vorlane/scan_threads.hpp"
#include "graph/vorlane/take_over.hpp"

namespace vorlane {

using core::Json;

core::Json scan(std::string_view root, const core::Json& existing_nodes) {
    return scan(root, existing_nodes, ScanLimits{});
}

core::Json scan(std::string_view root, const core::Json& existing_nodes, const ScanLimits& limits) {
    const std::vector<std::string> files = walk_files(root, limits);
    const Prior prior = index_prior(existing_nodes);
    std::vector<FileResult> results = analyse_all(files, root, prior, false, limits.stop);

    Json nodes = Json::array();
    for (FileResult& r : results) {
        for (Json& n : r.nodes) nodes.push_back(std::move(n));
        r.nodes = Json();
    }
    // A taken-over node keeps its stored kind, so count by kind, not by origin.
    std::size_t symbol_count = 0;
    for (const Json& n : nodes) {
        auto kind = n.find("kind");
        if (kind != n.end() && kind->is_string() && kind->get_ref<const std::string&>() == "symbol") ++symbol_count;
    }
    Json out_edges = Json::array();
    for_each_new_edge(results, [&](const core::Edge& e) { out_edges.push_back(core::edge_json(e)); });

    const std::size_t node_count = nodes.size(), edge_count = out_edges.size();
    Json values[] = {std::string(root), node_count,       edge_count,          node_count - symbol_count,
                     symbol_count,      std::move(nodes), std::move(out_edges)};
    static_assert(std::size(values) == GRAPH_KEYS.size());
    Json g = Json::object();
    for (std::size_t i = 0; i < GRAPH_KEYS.size(); ++i) g[std::string(GRAPH_KEYS[i])] = std::move(values[i]);
    return g;
}

GraphText scan_text(std::string_view root, const core::Json& existing_nodes) {
    const std::vector<std::string> files = walk_files(root);
    const Prior prior = index_prior(existing_nodes);
    std::vector<FileResult> results = analyse_all(files, root, prior, true, nullptr);
    return assemble(root, results);
}

GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing, core::Json& existing) {
    return scan_text(root, load_existing, existing, ScanLimits{});
}

GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing, core::Json& existing,
                    const ScanLimits& limits) {
    std::future<Json> load = std::async(std::launch::async, load_existing);
    // The load is waited for on every way out, an early stop included: it writes to
    // `existing` and may use what the caller owns.
    struct Join {
        std::future<Json>& f;
        ~Join() {
            if (f.valid()) f.wait();
        }
    } join{load};
    const std::vector<std::string> files = walk_files(root, limits);
    if (scan_threads(files.size()) <= 1) {
        existing = load.get();
        std::vector<FileResult> results = analyse_all(files, root, index_prior(existing), true, limits.stop);
        return assemble(root, results);
    }
    std::vector<FileResult> results = analyse_all_overlapped(files, root, load, existing, true, limits.stop);
    return assemble(root, results);
}

}  // namespace vorlane
