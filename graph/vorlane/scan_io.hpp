#pragma once
// Whole-file reads and in-place writes of the scan and its command. Paths are text as
// the host holds file names (undecodable bytes carried as surrogate escapes).
#include <string>
#include <string_view>

namespace vorlane {

// Reads the whole file into `out`; 0, or the errno of the failure.
int read_file(const std::string& path, std::string& out);
// Replaces the file's content with `data` (created when missing, truncated, written in
// place); core::OsError on failure.
void write_file(const std::string& path, std::string_view data);

}  // namespace vorlane
