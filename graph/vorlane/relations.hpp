#pragma once
#include <string_view>
#include <vector>

#include "core/records.hpp"

namespace vorlane {

// The relation edges of one file: `path` as the walker yields it, its whole text, the root.
std::vector<core::Edge> parse_relations(std::string_view path, std::string_view text, std::string_view root);
// The same with the file id and the exact suffix of the path already known.
std::vector<core::Edge> relations_of(std::string_view file_id, std::string_view exact_suffix, std::string_view text);

}  // namespace vorlane
