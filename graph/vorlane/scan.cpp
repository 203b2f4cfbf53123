#include "graph/vorlane/scan.hpp"

// The scan's two forms over the same analysis: the graph as a document, and the graph
// and symbol index as the command writes them.

#include <utility>

#include "core/parallel.hpp"

#include "graph/kit/file_result.hpp"
#include "graph/kit/graph.hpp"
#include "graph/kit/scan_threads.hpp"
#include "graph/kit/take_over.hpp"
#include "graph/vorlane/analyse_all.hpp"
#include "graph/vorlane/graph_text.hpp"
#include "graph/vorlane/walker.hpp"

namespace vorlane {

using core::Json;

core::Json scan(std::string_view root, const core::Json& existing_nodes) {
    return scan(root, existing_nodes, ScanLimits{});
}

core::Json scan(std::string_view root, const core::Json& existing_nodes, const ScanLimits& limits) {
    const std::vector<std::string> files = walk_files(root, limits);
    const graph_kit::Prior prior = graph_kit::index_prior(existing_nodes);
    std::vector<graph_kit::FileResult> results = analyse_all(files, root, prior, false, limits.stop);

    Json nodes = Json::array();
    for (graph_kit::FileResult& r : results) {
        for (Json& n : r.nodes) nodes.push_back(std::move(n));
        r.nodes = Json();
    }
    Json out_edges = Json::array();
    graph_kit::for_each_new_edge(results, [&](const core::Edge& e) { out_edges.push_back(core::edge_json(e)); });
    return graph_kit::graph_document(root, std::move(nodes), std::move(out_edges));
}

GraphText scan_text(std::string_view root, const core::Json& existing_nodes) {
    const std::vector<std::string> files = walk_files(root);
    const graph_kit::Prior prior = graph_kit::index_prior(existing_nodes);
    std::vector<graph_kit::FileResult> results = analyse_all(files, root, prior, true, nullptr);
    return assemble(root, results);
}

GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing, core::Json& existing) {
    return scan_text(root, load_existing, existing, ScanLimits{});
}

GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing, core::Json& existing,
                    const ScanLimits& limits) {
    // The earlier nodes, once in `existing`, and the files analysed on this thread.
    auto in_turn = [&](const std::vector<std::string>& files) {
        std::vector<graph_kit::FileResult> results =
            analyse_all(files, root, graph_kit::index_prior(existing), true, limits.stop);
        return assemble(root, results);
    };
    // On one thread the earlier graph is read first; on more it is read on a thread of
    // its own while the tree is walked and analysed.
    if (core::thread_budget() <= 1) {
        existing = load_existing();
        return in_turn(walk_files(root, limits));
    }
    // The load is waited for on every way out, an early stop included (the destructor):
    // it writes to `existing` and may use what the caller owns.
    PreviousLoad load(load_existing);
    const std::vector<std::string> files = walk_files(root, limits);
    if (graph_kit::scan_threads(files.size()) <= 1) {
        existing = load.get();
        load.finish();
        return in_turn(files);
    }
    std::vector<graph_kit::FileResult> results = analyse_all_overlapped(files, root, load, existing, true, limits.stop);
    return assemble(root, results);
}

}  // namespace vorlane
