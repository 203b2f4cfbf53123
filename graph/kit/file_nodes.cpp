#include "graph/kit/file_nodes.hpp"

#include <utility>

namespace graph_kit {

core::Node file_node(const SourceFile& f, std::string summary, std::vector<std::string> keywords) {
    core::Node n;
    n.summary = std::move(summary);
    n.id = f.file_id;
    n.kind = "file";
    n.path = f.file_id;
    n.ext = f.ext;
    n.size = f.size;
    n.keywords = std::move(keywords);
    n.content = content_prefix(f.content);
    n.file_hash = f.fhash;
    return n;
}

core::Node symbol_node(const core::SymbolRecord& s, const std::string& file_id, const std::string& ext) {
    core::Node n;
    n.id = s.id;
    n.kind = "symbol";
    n.path = file_id;
    n.ext = ext;
    n.size = s.line_end - s.line_start + 1;
    n.keywords = s.keywords;
    n.symbol_type = s.symbol_type;
    n.name = s.name;
    n.line_start = s.line_start;
    n.line_end = s.line_end;
    n.body_hash = s.body_hash;
    n.confidence = s.confidence;
    n.exported = s.exported;
    return n;
}

void append_symbol_nodes(core::Json& nodes, std::vector<core::Edge>& edges, const Symbols& syms,
                         const std::string& file_id, const std::string& ext) {
    for (const core::SymbolRecord& s : syms) {
        nodes.push_back(core::node_as_dict(symbol_node(s, file_id, ext)));
        edges.push_back({file_id, s.id, "contains"});
    }
}

}  // namespace graph_kit
