#pragma once
// The file nodes of the graph a builder wrote last time, read back for reuse by hash
// (take_over.hpp). The graph is used as a whole or not at all: anything unreadable or
// not of the graph's shape gives no nodes, never an error. Linear in the graph's text;
// the nodes are moved out of the document, whose freeing can be handed to other threads.
#include <string>

#include "core/json.hpp"
#include "core/stop.hpp"

namespace graph_kit {

// How a byte-order mark before the graph's text is taken: as a graph that cannot be
// used, or passed over.
enum class LeadingMark { Reject, Skip };

// The file nodes of the graph written at `path` by id, with their stored keys
// unchanged: nodes of kind "file" whose id is text (a later node of an id replaces the
// earlier one in its place). Empty when no regular file is there (a device or a FIFO is
// never read), the text is not valid UTF-8
// or JSON, or a node is not a map or has an id that is a list or a map. The rest of the
// document is freed here. With `stop`, a stop request ends the reading or the freeing
// with core::Stopped.
core::Json load_file_nodes(const std::string& path, LeadingMark mark, const core::StopFlag* stop = nullptr);

}  // namespace graph_kit
