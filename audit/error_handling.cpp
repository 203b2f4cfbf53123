#include "audit/error_handling.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "audit/code_exts.hpp"
#include "audit/patterns.hpp"
#include "audit/symbol_file.hpp"
#include "audit/values.hpp"
#include "core/text.hpp"

namespace audit {

namespace {

struct SourceLines {
    std::string text;
    std::vector<std::string_view> lines;
};

// A 1-based row bound: `fallback` when absent or false; rows of the `path` form are
// 0-based and shifted. A value that is no number raises, as the host's arithmetic does.
double row(const Json& node, std::string_view key, bool zero_based, double fallback) {
    const Json* v = find(node, key);
    if (!v) return fallback;
    if (zero_based && v->is_number()) return as_number(*v) + 1;
    if (!truthy(*v)) return fallback;
    return as_number(*v);
}

// A list position from a row bound, clamped to [0, size]; the host's slice rules for the
// bounds that lie outside the list (a negative start counts from the end).
std::size_t slice_index(double bound, std::size_t size) {
    const double n = static_cast<double>(size);
    if (bound < 0) bound = std::max(0.0, bound + n);
    return static_cast<std::size_t>(std::min(bound, n));
}

}  // namespace

core::Json check_missing_error_handling(const core::Json& graph, const SourceReader& read) {
    const Json& nodes = list_or_empty(graph, "nodes");
    std::unordered_map<std::string, SourceLines> cache;
    Json out = Json::array();
    for (const Json& n : nodes) {
        if (!equals_text(find(n, "kind"), "symbol")) continue;
        SymbolFile file = symbol_file(n);
        if (!is_code_path(file.text)) continue;
        auto it = cache.find(file.text);
        if (it == cache.end()) {
            it = cache.emplace(file.text, SourceLines{read(file.text), {}}).first;
            it->second.lines = core::splitlines(it->second.text);
        }
        const auto& lines = it->second.lines;

        const double start1 = row(n, "line_start", file.from_path, 1);
        const double start = start1 - 1;
        const double end_row = row(n, "line_end", file.from_path, start + 1);
        if (std::floor(start) != start || std::floor(end_row) != end_row)
            throw TypeError("slice indices must be integers or None or have an __index__ method");
        const std::size_t b = slice_index(start, lines.size());
        const std::size_t e = slice_index(std::min(static_cast<double>(lines.size()), end_row), lines.size());

        std::string excerpt;
        for (std::size_t i = b; i < e; ++i) {
            if (i > b) excerpt += '\n';
            excerpt.append(lines[i]);
        }
        if (external_re().search(excerpt) && !err_re().search(excerpt)) {
            const Json* name = find(n, "name");
            Json rec = Json::object();
            rec["file"] = file.text;
            rec["symbol"] = name ? *name : Json("");
            if (start + 1 == std::floor(start + 1) && std::fabs(start + 1) < 9e15)
                rec["line"] = static_cast<std::int64_t>(start + 1);
            else
                rec["line"] = start + 1;
            out.push_back(std::move(rec));
        }
        if (out.size() >= 25) break;
    }
    return out;
}

}  // namespace audit
