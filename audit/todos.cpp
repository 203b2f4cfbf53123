#include "audit/todos.hpp"

#include "audit/code_exts.hpp"
#include "audit/patterns.hpp"
#include "audit/values.hpp"
#include "core/text.hpp"

namespace audit {

core::Json check_todos(const core::Json& graph, const SourceReader& read) {
    const Json& nodes = list_or_empty(graph, "nodes");
    Json out = Json::array();
    for (const Json& n : nodes) {
        if (!equals_text(find(n, "kind"), "file")) continue;
        const std::string& id = as_text(require(n, "id"));
        if (!is_code_path(id)) continue;
        const std::string text = read(id);
        std::int64_t number = 0;
        for (std::string_view line : core::splitlines(text)) {
            ++number;
            // Past the cap the records are dropped; reading every file still happens, as
            // the check's contract has it.
            if (out.size() >= 40) break;
            const auto m = todo_re().search(line);
            if (!m) continue;
            Json rec = Json::object();
            rec["file"] = id;
            rec["line"] = number;
            rec["text"] = std::string(core::strip(core::cp_prefix(m->group(), 90)));
            out.push_back(std::move(rec));
        }
    }
    return out;
}

}  // namespace audit
