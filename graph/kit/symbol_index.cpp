#include "graph/kit/symbol_index.hpp"

#include <memory>

#include "graph/kit/json_reads.hpp"
#include "graph/kit/node_text.hpp"

namespace graph_kit {

core::Json symbol_index_entry(const core::Json& node, std::string& id) {
    core::Json e = core::Json::object();
    for (std::string_view key : SYMBOL_INDEX_KEYS) {
        if (key == "confidence") {
            auto conf = node.find(key);
            e[std::string(key)] = conf == node.end() ? core::Json("") : *conf;
        } else {
            e[std::string(key)] = at(node, key);
        }
    }
    id = at(node, "id").get<std::string>();
    return e;
}

IndexEntry index_entry_text(const core::Node& n) {
    IndexEntry out{n.id, {}};
    std::string& text = out.second;
    text.reserve(96 + n.body_hash.size() + n.confidence.size() + n.path.size());
    JsonText w(text);
    const char* sep = "{";
    for_each_index_field(n, [&](std::string_view key, const auto& value) {
        w.raw(sep);
        w.str(key);
        w.raw(": ");
        w.value(value, 0);
        sep = ", ";
    });
    w.raw("}");
    return out;
}

IndexEntry index_entry_text(const core::Json& node) {
    IndexEntry out;
    const core::Json entry = symbol_index_entry(node, out.first);
    core::json_write(out.second, entry, -1);
    return out;
}

void SymbolIndex::add(const IndexEntry& e) {
    auto [it, fresh] = place_.try_emplace(e.first, entries_.size());
    if (fresh)
        entries_.push_back(&e);
    else
        entries_[it->second] = &e;
}

std::string symbol_index_text(const core::Json& graph, std::size_t& count, const core::StopFlag* stop) {
    // The entries of a million symbols take a while to free: on a stop they are kept
    // aside (core::keep_for_freeing) rather than freed on the way out.
    struct Parts {
        std::vector<IndexEntry> entries;
        SymbolIndex index;
    };
    auto parts = std::make_shared<Parts>();
    try {
        const core::Json& nodes = at(graph, "nodes");
        parts->entries.reserve(nodes.size());
        for (const core::Json& n : nodes) {
            core::check_stop(stop);
            if (has_kind(n, "symbol")) parts->entries.push_back(index_entry_text(n));
        }
        for (std::size_t i = 0; i < parts->entries.size(); ++i) {
            if (i % 4096 == 0) core::check_stop(stop);
            parts->index.add(parts->entries[i]);
        }
        count = parts->index.size();
        return parts->index.text(stop);
    } catch (const core::Stopped&) {
        core::keep_for_freeing(std::shared_ptr<void>(std::move(parts)));
        throw;
    }
}

core::Json symbol_index(const core::Json& graph) {
    std::size_t count = 0;
    return core::json_loads(symbol_index_text(graph, count));
}

std::string SymbolIndex::text(const core::StopFlag* stop) const {
    // Room for every entry with its key and separators; a key with characters to escape
    // may still grow the text once.
    std::size_t size = 2;
    for (const IndexEntry* e : entries_) size += e->first.size() + e->second.size() + 6;
    std::string out;
    out.reserve(size);
    JsonText w(out);
    w.raw("{");
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (i % 4096 == 0) core::check_stop(stop);
        if (i) w.raw(", ");
        w.str(entries_[i]->first);
        w.raw(": ");
        w.raw(entries_[i]->second);
    }
    w.raw("}");
    return out;
}

}  // namespace graph_kit
