#pragma once
// The packer's file reads: whether a path names anything, and whole-file reads.
// Paths are text as the host holds file names (undecodable bytes as surrogate escapes).
#include <string>

namespace packing {

// Path.exists(): any entry, links followed; false on any error.
bool path_exists(const std::string& path);

// Reads the whole file into `out`; 0, or the errno of the failure (a directory too).
int read_whole_file(const std::string& path, std::string& out);

}  // namespace packing
