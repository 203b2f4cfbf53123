#pragma once
// The reuse-by-hash rule of both builders: an unchanged file (its stored node's
// "file_hash" is the text's hash) takes over its stored node from the previous graph;
// the stored keywords, summary and content stay, whatever their type. Lookups cost one
// hash; a taken-over node costs a copy of the stored values.
#include <string>
#include <unordered_map>

#include "core/json.hpp"
#include "graph/kit/file_source.hpp"

namespace graph_kit {

// The stored node maps by file id (pointers into the caller's document).
using Prior = std::unordered_map<std::string, const core::Json*>;
// `existing_nodes` is an object from file id to a stored node map; anything else holds none.
Prior index_prior(const core::Json& existing_nodes);

// Whether the stored node is a map whose "file_hash" is the text `fhash`.
bool hash_matches(const core::Json& old, const std::string& fhash);

// The stored node that the file takes over, or null when there is none or its hash
// differs.
const core::Json* reusable(const Prior& prior, const SourceFile& f);

// The node that takes over an unchanged file's stored keys. The keys follow the node
// map's order; only a stored kind of exactly "file" carries the file keys. A missing
// "id" is core::KeyError.
core::Json taken_over(const core::Json& old, const SourceFile& f);

}  // namespace graph_kit
