#pragma once
// The graph records: nodes, edges, symbol records, file ids and content hashes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"

namespace core {

struct Edge {
    std::string from, to, rel;
    bool operator==(const Edge&) const = default;
};

struct SymbolRecord {
    std::string id, name, symbol_type;
    std::int64_t line_start = 0, line_end = 0;
    std::string body_hash, confidence;
    bool exported = false;
    std::vector<std::string> keywords;
};

struct Node {
    std::string id, kind, path, ext;
    std::int64_t size = 0;
    std::vector<std::string> keywords;
    std::string content, summary, file_hash, symbol_type, name;
    std::int64_t line_start = 0, line_end = 0;
    std::string body_hash, confidence;
    bool exported = false;
};

// The node map: 6 common keys, then the 3 file keys when kind is exactly "file",
// else the 7 symbol keys.
Json node_as_dict(const Node& n);
Json edge_json(const Edge& e);            // {"from", "to", "rel"}
Json symbol_json(const SymbolRecord& s);  // the 9 keys in record order

// The file id of `path` under `root` (both resolved first).
std::string rel(std::string_view path, std::string_view root);
// The same for a root that is already resolved (a scan resolves its root once).
std::string rel_under(std::string_view path, std::string_view resolved_root);
// The symbol id: file id, "::", name.
std::string symbol_id(std::string_view file_id, std::string_view name);
// MD5 prefix of lines[start:end+1] joined by "\n" (the host's slice rules).
std::string body_hash(const std::vector<std::string_view>& lines, std::int64_t start, std::int64_t end);
// The first edge of every distinct (from, to, rel), in order.
std::vector<Edge> dedupe_edges(const std::vector<Edge>& edges);

}  // namespace core
