#include "graph/vorlane_ast/command.hpp"

#include <unordered_map>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"
#include "graph/kit/file_source.hpp"
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

Json load_previous_nodes(const std::string& out_path) {
    Json out = Json::object();
    std::string text;
    if (graph_kit::read_file(out_path, text) != 0) return out;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    if (!core::is_valid_utf8(text)) return out;
    Json old;
    try {
        old = core::json_loads(text, core::Bom::Reject);
    } catch (const std::exception&) {
        return out;
    }
    if (!old.is_object()) return out;
    auto nodes = old.find("nodes");
    if (nodes == old.end()) return out;
    if (!nodes->is_array()) return Json::object();
    auto& members = static_cast<std::vector<std::pair<const std::string, Json>>&>(out.get_ref<Json::object_t&>());
    std::unordered_map<std::string, std::size_t> place;
    for (Json& n : *nodes) {
        if (!n.is_object()) return Json::object();
        auto kind = n.find("kind");
        if (kind == n.end() || !graph_kit::is_text(*kind, "file")) continue;
        auto id = n.find("id");
        if (id == n.end() || id->is_array() || id->is_object()) return Json::object();
        // An id that is not text names no file of the new scan.
        if (!id->is_string()) continue;
        auto [it, fresh] = place.try_emplace(id->get<std::string>(), members.size());
        if (fresh)
            members.emplace_back(it->first, std::move(n));
        else
            members[it->second].second = std::move(n);
    }
    return out;
}

Written write_graph(const Json& graph, const std::string& out_path, const core::StopFlag* stop) {
    Written w;
    w.out_path = paths::normalize(out_path);
    std::string text = core::json_dumps_indent(graph, 2);
    // A large graph takes a while to lay out: a stop requested meanwhile still writes nothing.
    core::check_stop(stop);
    core::fs::replace_text(out_path, text);
    text = {};
    const Json idx = graph_kit::symbol_index(graph);
    w.index_path = paths::join(paths::parent(w.out_path), SYMBOL_INDEX_NAME);
    core::fs::replace_text(w.index_path, core::json_dumps(idx));
    w.index_count = idx.size();
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
    Json graph;
    {
        const Json prior = load_previous_nodes(out_path);
        graph = scan(root, prior, langs, fallback, stop);
    }
    return report(graph, write_graph(graph, out_path, stop));
}

}  // namespace vorlane_ast::command
