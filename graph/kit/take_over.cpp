#include "graph/kit/take_over.hpp"

#include <utility>

#include "core/errors.hpp"
#include "core/records.hpp"
#include "graph/kit/json_reads.hpp"

namespace graph_kit {

namespace {

using core::Json;

// The stored value under `key`, or `fallback` when the key is absent; a stored null or
// a value of another type is taken as it is.
Json stored(const Json& old, std::string_view key, Json fallback) {
    auto it = old.find(key);
    return it == old.end() ? std::move(fallback) : *it;
}

}  // namespace

Prior index_prior(const Json& existing_nodes) {
    Prior prior;
    if (!existing_nodes.is_object()) return prior;
    for (const auto& [id, node] : existing_nodes.items()) prior.emplace(id, &node);
    return prior;
}

bool hash_matches(const Json& old, const std::string& fhash) {
    if (!old.is_object()) return false;
    auto it = old.find("file_hash");
    return it != old.end() && is_text(*it, fhash);
}

const Json* reusable(const Prior& prior, const SourceFile& f) {
    auto old = prior.find(f.file_id);
    return old != prior.end() && hash_matches(*old->second, f.fhash) ? old->second : nullptr;
}

Json taken_over(const Json& old, const SourceFile& f) {
    auto id = old.find("id");
    if (id == old.end()) throw core::KeyError("id");
    const Json kind = stored(old, "kind", "file");
    const bool file = kind.is_string() && core::is_file_kind(kind.get_ref<const std::string&>());
    // The node map of a record of that kind gives the keys, their order and the defaults.
    core::Node shape;
    shape.kind = file ? "file" : "";
    Json n = core::node_as_dict(shape);
    n["id"] = *id;
    n["kind"] = kind;
    n["path"] = stored(old, "path", f.file_id);
    n["ext"] = stored(old, "ext", f.ext);
    n["size"] = stored(old, "size", f.size);
    n["keywords"] = stored(old, "keywords", Json::array());
    if (file) {
        auto it = old.find("content");
        n["content"] = it == old.end() ? Json(content_prefix(f.content)) : *it;
        n["summary"] = stored(old, "summary", "");
        n["file_hash"] = f.fhash;
    }
    return n;
}

}  // namespace graph_kit
