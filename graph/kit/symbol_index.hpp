#pragma once
// The symbol index: symbol id to its rows, body hash, confidence and file, in the
// order of the symbol nodes; a repeated id keeps its first place and takes the later
// entry. One description of an entry's keys serves fresh nodes and stored node maps.
// Building is linear in the entries (one hash per id).
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/json.hpp"
#include "core/records.hpp"
#include "core/stop.hpp"

namespace graph_kit {

inline constexpr std::array<std::string_view, 5> SYMBOL_INDEX_KEYS = {"line_start", "line_end", "body_hash",
                                                                      "confidence", "path"};

// Calls `out(key, value)` for every key of a fresh symbol node's entry, in order.
template <typename Out>
void for_each_index_field(const core::Node& n, Out&& out) {
    out(SYMBOL_INDEX_KEYS[0], n.line_start);
    out(SYMBOL_INDEX_KEYS[1], n.line_end);
    out(SYMBOL_INDEX_KEYS[2], n.body_hash);
    out(SYMBOL_INDEX_KEYS[3], n.confidence);
    out(SYMBOL_INDEX_KEYS[4], n.path);
}

// A stored symbol node's entry, and its id; core::KeyError for a missing key (a
// missing "confidence" is ""), a type error for an id that is not text.
core::Json symbol_index_entry(const core::Json& node, std::string& id);

// An entry as json_dumps writes it: (symbol id, entry text).
using IndexEntry = std::pair<std::string, std::string>;
IndexEntry index_entry_text(const core::Node& n);
IndexEntry index_entry_text(const core::Json& node);

// The index of the entries added in node order, as json_dumps writes it. The entries
// are held by address: they must outlive the builder.
class SymbolIndex {
public:
    void add(const IndexEntry& e);
    std::size_t size() const { return entries_.size(); }
    // The index's JSON text, made in one piece of the size it needs (a text of hundreds
    // of megabytes that grows copies itself whole on each growth). With `stop`, a stop
    // request is looked for every few thousand entries and ends with core::Stopped.
    std::string text(const core::StopFlag* stop = nullptr) const;

private:
    std::vector<const IndexEntry*> entries_;
    std::unordered_map<std::string_view, std::size_t> place_;
};

// The symbol index of a graph document: the entries of its symbol nodes, in node
// order. core::KeyError for a graph without "nodes" or a symbol node without a key of
// its entry.
core::Json symbol_index(const core::Json& graph);
// The same as json_dumps writes it, with the number of its entries in `count`. With
// `stop`, a stop request is looked for at each node and ends with core::Stopped.
std::string symbol_index_text(const core::Json& graph, std::size_t& count, const core::StopFlag* stop = nullptr);

}  // namespace graph_kit
