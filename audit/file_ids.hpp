#pragma once
// The file nodes a source check reads, in graph order. O(nodes).
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "core/json.hpp"

namespace audit {

struct FileIds {
    std::vector<std::string> ids;
    // A malformed node ends the list; its error is kept here so that the check raises it
    // after the files before it, as a walk in order would meet it.
    std::exception_ptr stop;
};

// The ids of the graph's nodes of kind "file" that `keep` accepts.
FileIds file_ids(const core::Json& graph, const std::function<bool(const std::string&)>& keep);

}  // namespace audit
