#include "audit/file_ids.hpp"

#include "audit/values.hpp"

namespace audit {

FileIds file_ids(const core::Json& graph, const std::function<bool(const std::string&)>& keep) {
    FileIds out;
    const Json& nodes = list_or_empty(graph, "nodes");
    try {
        for (const Json& n : nodes) {
            if (!equals_text(find(n, "kind"), "file")) continue;
            const std::string& id = as_text(require(n, "id"));
            if (keep(id)) out.ids.push_back(id);
        }
    } catch (...) {
        out.stop = std::current_exception();
    }
    return out;
}

}  // namespace audit
