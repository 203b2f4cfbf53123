#include "graph/vorlane_ast/command.hpp"

#include <utility>
#include <vector>

#include "core/fs.hpp"
#include "core/names.hpp"
#include "core/paths.hpp"
#include "graph/kit/earlier_nodes.hpp"
#include "graph/kit/json_reads.hpp"
#include "graph/kit/symbol_index.hpp"

namespace vorlane_ast::command {

namespace paths = core::paths;
using core::Json;

namespace {

std::string count_text(const Json& v) {
    if (v.is_number_integer() || v.is_number_unsigned()) return v.dump();
    if (v.is_string()) return v.get<std::string>();
    return v.dump();
}

}  // namespace

Written write_graph(const Json& graph, const std::string& out_path, const core::StopFlag* stop) {
    Written w;
    w.out_path = paths::normalize(out_path);
    w.index_path = paths::join(paths::parent(w.out_path), core::names::SYMBOL_INDEX_FILE);
    // Both texts are made, and both new files written, before either output is replaced,
    // a stop looked for all along: once the graph's rename is done only the index's
    // remains, so that the two files always come from one run.
    const std::string index = graph_kit::symbol_index_text(graph, w.index_count, stop);
    // Room for a graph a little larger than the last one: growing a text of hundreds of
    // megabytes copies it whole, for long enough to hold up a stop.
    const core::fs::Status last = core::fs::current().stat(w.out_path);
    const std::size_t room = last.ok() && last.is_file() ? last.size + last.size / 8 : 0;
    const std::string text = core::json_dumps_indent(graph, 2, stop, room);
    core::fs::replace_texts({{w.out_path, text}, {w.index_path, index}}, stop);
    return w;
}

std::string report(const Json& graph, const Written& w) {
    auto mode = graph.find("ast_mode");
    const bool ast = mode != graph.end() && mode->is_boolean() && mode->get<bool>();
    std::string out = "[";
    out += ast ? "AST" : "regex-fallback";
    out += "] " + count_text(graph_kit::at(graph, "file_count")) + " files, " +
           count_text(graph_kit::at(graph, "symbol_count")) + " symbols, " +
           count_text(graph_kit::at(graph, "edge_count")) + " edges\n";
    out += "Wrote: " + w.out_path + "\n";
    out += "Symbol index: " + w.index_path + " (" + std::to_string(w.index_count) + " symbols)\n";
    return out;
}

std::string run(const std::string& root, const std::string& out_path, const Languages& langs,
                const SymbolFallback& fallback, const core::StopFlag* stop) {
    // The graph, seconds to free when large, is freed once the run is over, and so are
    // the previous nodes when a stop or an error ends the scan.
    Json prior, graph;
    struct Keep {
        Json &prior, &graph;
        ~Keep() {
            if (!prior.is_null()) core::keep_for_freeing(std::move(prior));
            core::keep_for_freeing(std::move(graph));
        }
    } keep{prior, graph};
    prior = graph_kit::load_file_nodes(paths::normalize(out_path), graph_kit::LeadingMark::Skip, stop);
    graph = scan(root, prior, langs, fallback, stop);
    core::free_in_steps(std::move(prior), stop);
    return report(graph, write_graph(graph, out_path, stop));
}

}  // namespace vorlane_ast::command
