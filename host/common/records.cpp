#include "host/common/records.hpp"

#include "core/json.hpp"
#include "host/common/convert.hpp"

namespace host {

py::list symbols_to_py(const std::vector<core::SymbolRecord>& syms) {
    py::list out(syms.size());
    for (std::size_t i = 0; i < syms.size(); ++i) out[i] = to_py(core::symbol_json(syms[i]));
    return out;
}

py::list edges_to_py(const std::vector<core::Edge>& edges) {
    py::list out(edges.size());
    for (std::size_t i = 0; i < edges.size(); ++i) out[i] = to_py(core::edge_json(edges[i]));
    return out;
}

}  // namespace host
