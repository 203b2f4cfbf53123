#include "audit/dead_exports.hpp"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "audit/code_exts.hpp"
#include "audit/symbol_file.hpp"
#include "audit/values.hpp"

namespace audit {

core::Json check_dead_exports(const core::Json& graph, const core::StopFlag* stop) {
    const Json& nodes = list_or_empty(graph, "nodes");
    const Json& edges = list_or_empty(graph, "edges");

    std::unordered_set<std::string> imported;
    for (const Json& e : edges) {
        core::check_stop(stop);
        const Json* rel = find(e, "rel");
        if (equals_text(rel, "imports") || equals_text(rel, "references") || equals_text(rel, "contains")) {
            const Json* to = find(e, "to");
            imported.insert(to ? hash_key(*to) : hash_key(Json("")));
        }
    }

    // Each finding is kept as its file and node; only the first 50 by file become records.
    struct Found {
        std::string file;
        const Json* node;
    };
    std::vector<Found> found;
    for (const Json& n : nodes) {
        core::check_stop(stop);
        const Json* exported = find(n, "exported");
        if (!equals_text(find(n, "kind"), "symbol") || !exported || !truthy(*exported)) continue;
        if (imported.count(hash_key(require(n, "id")))) continue;
        SymbolFile file = symbol_file(n);
        if (!is_code_path(file.text)) continue;
        found.push_back({std::move(file.text), &n});
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.file < b.file; });

    Json out = Json::array();
    for (std::size_t i = 0; i < found.size() && i < 50; ++i) {
        const Json& n = *found[i].node;
        const Json* line = find(n, "line_start");
        const Json* name = find(n, "name");
        const Json* type = find(n, "symbol_type");
        Json rec = Json::object();
        rec["file"] = found[i].file;
        rec["symbol"] = name ? *name : Json("");
        rec["line"] = line ? *line : Json(0);
        rec["type"] = type ? *type : Json("");
        out.push_back(std::move(rec));
    }
    return out;
}

}  // namespace audit
