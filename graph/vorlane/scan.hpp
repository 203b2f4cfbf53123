#pragma once
#include <string_view>

#include "core/json.hpp"

namespace vorlane {

// The information graph of the tree under `root` (used unchanged, not resolved).
// `existing_nodes` is an object from file id to a stored node map, or null.
core::Json scan(std::string_view root, const core::Json& existing_nodes);

}  // namespace vorlane
