#include "graph/vorlane_ast/scan.hpp"

#include <exception>
#include <string>
#include <vector>

#include "core/parallel.hpp"
#include "core/paths.hpp"
#include "graph/kit/file_nodes.hpp"
#include "graph/kit/file_result.hpp"
#include "graph/kit/file_source.hpp"
#include "graph/kit/graph.hpp"
#include "graph/kit/json_reads.hpp"
#include "graph/kit/scan_threads.hpp"
#include "graph/kit/take_over.hpp"
#include "graph/vorlane_ast/constants.hpp"
#include "graph/vorlane_ast/keywords.hpp"
#include "graph/vorlane_ast/peers.hpp"
#include "graph/vorlane_ast/runtime/alloc.h"
#include "graph/vorlane_ast/summary.hpp"
#include "graph/vorlane_ast/walker.hpp"

namespace vorlane_ast {

namespace {

using core::Json;

using graph_kit::FileResult;

struct Context {
    std::string_view root;
    std::string resolved_root;
    const graph_kit::Prior prior;
    const Languages& langs;
    const SymbolFallback& fallback;
    const core::StopFlag* stop;
};

void analyse(const Context& cx, const std::string& path, FileResult& out) {
    graph_kit::SourceFile f;
    if (!graph_kit::read_listed_file(path, cx.resolved_root, f)) return;
    out.file_id = f.file_id;
    out.kept = true;
    try {
        if (const Json* old = graph_kit::reusable(cx.prior, f)) {
            out.nodes.push_back(graph_kit::taken_over(*old, f));
        } else {
            std::string summary = make_summary(f.content, f.file_id, f.ext);
            std::vector<std::string> keywords = extract_keywords(f.content, f.ext);
            out.nodes.push_back(core::node_as_dict(graph_kit::file_node(f, std::move(summary), std::move(keywords))));
        }
        FileFacts facts =
            extract_file(cx.langs, f.content, f.file_id, f.ext, is_symbol_ext(f.ext), cx.fallback, cx.stop);
        out.edges = std::move(facts.edges);
        graph_kit::append_symbol_nodes(out.nodes, out.edges, facts.symbols, f.file_id, f.ext);
    } catch (...) {
        out.error = std::current_exception();
    }
}

}  // namespace

Json scan(std::string_view root, const Json& existing_nodes, const Languages& langs, const SymbolFallback& fallback,
          const core::StopFlag* stop) {
    const std::vector<std::string> files = walk_files(root, stop);
    const Context cx{root, core::paths::resolve(root), graph_kit::index_prior(existing_nodes), langs, fallback, stop};

    std::vector<FileResult> results(files.size());
    core::parallel_for_each(files.size(), graph_kit::scan_threads(files.size()), [&](std::size_t i) {
        if (!(stop && stop->requested())) analyse(cx, files[i], results[i]);
    });
    // The other threads gave their kept parse blocks back as they ended; so does this one.
    vorlane_ts_release_thread_cache();
    if (stop && stop->requested()) {
        core::keep_for_freeing(std::move(results));
        throw core::Stopped();
    }

    // Walk order; a file id met again (a directory reached twice through a link) keeps
    // its first file.
    graph_kit::drop_repeated_ids(results);
    graph_kit::rethrow_first_error(results);
    Json nodes = Json::array();
    Json out_edges = Json::array();
    try {
        std::vector<std::string> file_ids;
        for (FileResult& r : results) {
            core::check_stop(stop);
            for (Json& n : r.nodes) {
                if (graph_kit::has_kind(n, "file") && n["id"].is_string())
                    file_ids.push_back(n["id"].get<std::string>());
                nodes.push_back(std::move(n));
            }
            r.nodes = Json();
        }
        // The files' edges in walk order, then the structural peers, each distinct edge once.
        const std::vector<core::Edge> peers = structural_peer_edges(file_ids);
        graph_kit::NewEdges seen;
        auto keep = [&](const core::Edge& e) {
            if (seen.first(e)) out_edges.push_back(core::edge_json(e));
        };
        for (const FileResult& r : results) {
            core::check_stop(stop);
            for (const core::Edge& e : r.edges) keep(e);
        }
        for (const core::Edge& e : peers) keep(e);
    } catch (const core::Stopped&) {
        // What was made so far, seconds to free on a large tree, need not hold up the stop.
        core::keep_for_freeing(std::move(results));
        core::keep_for_freeing(std::move(nodes));
        core::keep_for_freeing(std::move(out_edges));
        throw;
    }
    Json g = graph_kit::graph_document(root, std::move(nodes), std::move(out_edges));
    g["ast_mode"] = langs.ast;
    return g;
}

}  // namespace vorlane_ast
