#pragma once
// The two tolerant readers through which the auditor sees a project: its information
// graph and its source files. Both read the whole file once (O(file size)) and report
// nothing; only the existence test before a read may throw (core::OsError).
#include <functional>
#include <string>
#include <string_view>

#include "core/json.hpp"
#include "core/stop.hpp"

namespace audit {

// The graph document at <root>/.nimbrel/info_graph.json: the decoded top-level object,
// null when the document is JSON null, and an empty object when the file is missing,
// unreadable, not JSON (a leading byte-order mark included) or not an object.
core::Json load_graph(const std::string& root, const core::StopFlag* stop = nullptr);

// The text of the project file `file_id` under `root`: UTF-8 with every invalid
// sequence replaced by U+FFFD and line ends read as "\n"; "" when it is missing or
// unreadable. An absolute `file_id` reads as "": a graph may only name files by their
// place in the project.
std::string read_source(const std::string& root, std::string_view file_id);

// How the source checks get a file's text by its id; the project reader reads with
// read_source under a fixed root. Once `stop` is given and a stop is requested, each
// read throws core::Stopped instead, which ends the check that reads at its next file.
using SourceReader = std::function<std::string(const std::string& file_id)>;
SourceReader project_reader(const std::string& root, const core::StopFlag* stop = nullptr);

}  // namespace audit
