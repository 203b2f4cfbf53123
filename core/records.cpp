#include "core/records.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "core/hash.hpp"
#include "core/paths.hpp"

namespace core {

Json node_as_dict(const Node& n) {
    Json d = Json::object();
    for_each_node_field(n, [&d](std::string_view key, const auto& value) { d[std::string(key)] = value; });
    return d;
}

Json edge_json(const Edge& e) {
    Json d = Json::object();
    for_each_edge_field(e, [&d](std::string_view key, const std::string& value) { d[std::string(key)] = value; });
    return d;
}

Json symbol_json(const SymbolRecord& s) {
    Json d = Json::object();
    d["id"] = s.id;
    d["name"] = s.name;
    d["symbol_type"] = s.symbol_type;
    d["line_start"] = s.line_start;
    d["line_end"] = s.line_end;
    d["body_hash"] = s.body_hash;
    d["confidence"] = s.confidence;
    d["exported"] = s.exported;
    d["keywords"] = s.keywords;
    return d;
}

std::string rel(std::string_view path, std::string_view root) {
    const std::string r = paths::resolve(root);
    return rel_under(path, r);
}

std::string rel_under(std::string_view path, std::string_view r) {
    const std::string p = paths::resolve(path);
    if (!paths::is_within(p, r)) return paths::relpath(p, r);
    if (p.size() == r.size()) return ".";
    // Both are normalized, so what follows the root is the components joined by SEP.
    const std::size_t cut = r.back() == paths::SEP ? r.size() : r.size() + 1;
    return p.substr(cut);
}

std::string symbol_id(std::string_view file_id, std::string_view name) {
    std::string id(file_id);
    id += "::";
    id += name;
    return id;
}

namespace {

// The rows [lo, hi) that lines[start:end + 1] takes.
std::pair<std::size_t, std::size_t> row_range(std::size_t count, std::int64_t start, std::int64_t end) {
    // lines[start:end + 1]: negative bounds count from the end, then both are clipped.
    const auto n = static_cast<std::int64_t>(count);
    auto clip = [n](std::int64_t i) {
        if (i < 0) i = std::max<std::int64_t>(i + n, 0);
        return static_cast<std::size_t>(std::min(i, n));
    };
    const std::size_t lo = clip(start);
    // end + 1 without overflow: INT64_MAX already lies past every row.
    const std::size_t hi = clip(end == INT64_MAX ? end : end + 1);
    return {lo, std::max(lo, hi)};
}

}  // namespace

std::string body_hash(const std::vector<std::string_view>& lines, std::int64_t start, std::int64_t end) {
    const auto [lo, hi] = row_range(lines.size(), start, end);
    std::string text;
    for (std::size_t i = lo; i < hi; ++i) {
        if (i > lo) text += '\n';
        text += lines[i];
    }
    return md5_prefix8(text);
}

}  // namespace core
