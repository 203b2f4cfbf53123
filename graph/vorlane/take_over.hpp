#pragma once
// Taking over an unchanged file's stored node from the previous graph: the stored
// keywords, summary and content stay, whatever their type. Lookups cost one hash.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "core/json.hpp"

namespace vorlane {

// The stored node maps by file id (pointers into the caller's document).
using Prior = std::unordered_map<std::string, const core::Json*>;
Prior index_prior(const core::Json& existing_nodes);

// Whether the stored node is a map whose "file_hash" is the text `fhash`.
bool hash_matches(const core::Json& old, const std::string& fhash);

// The node that takes over an unchanged file's stored keys. The keys follow the node
// map's order; only a stored kind of exactly "file" carries the file keys. A missing
// "id" is core::KeyError.
core::Json taken_over(const core::Json& old, const std::string& file_id, const std::string& ext, std::int64_t size,
                      const std::string& content, const std::string& fhash);

}  // namespace vorlane
