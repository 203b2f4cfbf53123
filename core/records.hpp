#pragma once
// The graph records: nodes, edges, symbol records, file ids and content hashes.
// Plain structs and constant key lists; making a record's map or text is linear in
// the record. Includes core/json.hpp.
#include <array>
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

// The one description of a node's keys: the node map holds the common keys, then the
// file keys when kind is exactly "file", else the symbol keys. Every form of a node
// (the map, the written graph, the host's record) is made from it.
inline constexpr std::array<std::string_view, 6> NODE_COMMON_KEYS = {"id", "kind", "path", "ext", "size", "keywords"};
inline constexpr std::array<std::string_view, 3> NODE_FILE_KEYS = {"content", "summary", "file_hash"};
inline constexpr std::array<std::string_view, 7> NODE_SYMBOL_KEYS = {
    "symbol_type", "name", "line_start", "line_end", "body_hash", "confidence", "exported"};

inline bool is_file_kind(std::string_view kind) { return kind == "file"; }

// Calls `out(key, value)` for every key of the node map in order; a value is a
// const std::string&, a std::int64_t, a const std::vector<std::string>& or a bool.
template <typename Out>
void for_each_node_field(const Node& n, Out&& out) {
    out(NODE_COMMON_KEYS[0], n.id);
    out(NODE_COMMON_KEYS[1], n.kind);
    out(NODE_COMMON_KEYS[2], n.path);
    out(NODE_COMMON_KEYS[3], n.ext);
    out(NODE_COMMON_KEYS[4], n.size);
    out(NODE_COMMON_KEYS[5], n.keywords);
    if (is_file_kind(n.kind)) {
        out(NODE_FILE_KEYS[0], n.content);
        out(NODE_FILE_KEYS[1], n.summary);
        out(NODE_FILE_KEYS[2], n.file_hash);
    } else {
        out(NODE_SYMBOL_KEYS[0], n.symbol_type);
        out(NODE_SYMBOL_KEYS[1], n.name);
        out(NODE_SYMBOL_KEYS[2], n.line_start);
        out(NODE_SYMBOL_KEYS[3], n.line_end);
        out(NODE_SYMBOL_KEYS[4], n.body_hash);
        out(NODE_SYMBOL_KEYS[5], n.confidence);
        out(NODE_SYMBOL_KEYS[6], n.exported);
    }
}

// The node map, from the description above.
Json node_as_dict(const Node& n);

// An edge's keys, in the order of its map.
inline constexpr std::array<std::string_view, 3> EDGE_KEYS = {"from", "to", "rel"};
template <typename Out>
void for_each_edge_field(const Edge& e, Out&& out) {
    out(EDGE_KEYS[0], e.from);
    out(EDGE_KEYS[1], e.to);
    out(EDGE_KEYS[2], e.rel);
}
Json edge_json(const Edge& e);            // the edge map, from the description above
Json symbol_json(const SymbolRecord& s);  // the 9 keys in record order

// The file id of `path` under `root` (both resolved first).
std::string rel(std::string_view path, std::string_view root);
// The same for a root that is already resolved (a scan resolves its root once).
std::string rel_under(std::string_view path, std::string_view resolved_root);
// The symbol id: file id, "::", name.
std::string symbol_id(std::string_view file_id, std::string_view name);
// MD5 prefix of lines[start:end+1] joined by "\n" (the host's slice rules).
std::string body_hash(const std::vector<std::string_view>& lines, std::int64_t start, std::int64_t end);

}  // namespace core
