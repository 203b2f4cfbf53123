#include "audit/copy_paste.hpp"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "audit/code_exts.hpp"
#include "audit/symbol_file.hpp"
#include "audit/values.hpp"

namespace audit {

namespace {

// `n.get(key) or 0` as a number: absent and false values count as 0.
double row_or_zero(const Json& node, std::string_view key) {
    const Json* v = find(node, key);
    if (!v || !truthy(*v)) return 0;
    return as_number(*v);
}

struct Member {
    const Json* node;
    std::string file;
};

}  // namespace

core::Json check_copy_paste(const core::Json& graph, const core::StopFlag* stop) {
    const Json& nodes = list_or_empty(graph, "nodes");
    std::unordered_map<std::string, std::size_t> group_of;
    std::vector<std::vector<Member>> groups;
    for (const Json& n : nodes) {
        core::check_stop(stop);
        if (!equals_text(find(n, "kind"), "symbol")) continue;
        const Json* bh = find(n, "body_hash");
        const double span = row_or_zero(n, "line_end") - row_or_zero(n, "line_start");
        if (!bh || !truthy(*bh) || !(span >= 10)) continue;
        SymbolFile file = symbol_file(n);
        if (!is_code_path(file.text)) continue;
        auto [it, added] = group_of.try_emplace(hash_key(*bh), groups.size());
        if (added) groups.emplace_back();
        groups[it->second].push_back({&n, std::move(file.text)});
    }

    struct Group {
        double product;
        Json record;
    };
    std::vector<Group> dups;
    for (const auto& g : groups) {
        core::check_stop(stop);
        if (g.size() < 2) continue;
        const Json& first = *g.front().node;
        const double lines = row_or_zero(first, "line_end") - row_or_zero(first, "line_start");
        Json symbols = Json::array();
        for (std::size_t i = 0; i < g.size() && i < 5; ++i) {
            const Json& node = *g[i].node;
            const Json* name = find(node, "name");
            const Json* line = find(node, "line_start");
            Json s = Json::object();
            s["file"] = g[i].file;
            s["name"] = name ? *name : Json("");
            s["line"] = line ? *line : Json(0);
            symbols.push_back(std::move(s));
        }
        Json rec = Json::object();
        rec["copies"] = g.size();
        // Rows are integers in every graph; a fractional row keeps its float form.
        const Json* le = find(first, "line_end");
        const Json* ls = find(first, "line_start");
        const bool fractional =
            (le && le->is_number_float() && truthy(*le)) || (ls && ls->is_number_float() && truthy(*ls));
        if (fractional)
            rec["lines"] = lines;
        else
            rec["lines"] = static_cast<std::int64_t>(lines);
        rec["symbols"] = std::move(symbols);
        dups.push_back({static_cast<double>(g.size()) * lines, std::move(rec)});
    }
    std::stable_sort(dups.begin(), dups.end(), [](const Group& a, const Group& b) { return a.product > b.product; });

    Json out = Json::array();
    for (std::size_t i = 0; i < dups.size() && i < 12; ++i) out.push_back(std::move(dups[i].record));
    return out;
}

}  // namespace audit
