#pragma once
// The file-system calls of the retrieval engine: existence, whole-file reads and the
// replacing write of the graph file. Paths are text as the host holds file names
// (undecodable bytes carried as surrogate escapes). Each call costs one pass over the
// file's bytes.
#include <string>
#include <string_view>

namespace retrieval {

// Whether anything exists at `path` (links followed), as the host's Path.exists():
// false for a missing entry or a missing directory on the way; core::OsError for any
// other failure of the test.
bool path_exists(const std::string& path);
// The whole file; core::OsError on failure (a directory included).
std::string read_file(const std::string& path);
// Replaces the file at `path` with `data`, in text mode (line feeds become the
// platform's line ends), through a temporary file in the same directory renamed over
// it, so a failure part-way leaves the previous file as it was. A link at `path` is
// followed: its target is replaced, not the link. core::OsError on failure.
void replace_file(const std::string& path, std::string_view data);

}  // namespace retrieval
