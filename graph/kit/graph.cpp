#include "graph/kit/graph.hpp"

#include <cstddef>
#include <iterator>
#include <string>
#include <utility>

#include "graph/kit/json_reads.hpp"

namespace graph_kit {

core::Json graph_document(std::string_view root, core::Json nodes, core::Json edges) {
    std::size_t symbol_count = 0;
    for (const core::Json& n : nodes)
        if (has_kind(n, "symbol")) ++symbol_count;
    const std::size_t node_count = nodes.size(), edge_count = edges.size();
    core::Json values[] = {std::string(root), node_count,       edge_count,      node_count - symbol_count,
                           symbol_count,      std::move(nodes), std::move(edges)};
    static_assert(std::size(values) == GRAPH_KEYS.size());
    core::Json g = core::Json::object();
    for (std::size_t i = 0; i < GRAPH_KEYS.size(); ++i) g[std::string(GRAPH_KEYS[i])] = std::move(values[i]);
    return g;
}

}  // namespace graph_kit
