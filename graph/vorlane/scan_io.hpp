#pragma once
// The in-place writes of the builder's command (its reads are the kit's, in
// graph/kit/file_source.hpp). Paths are text as the host holds file names (undecodable
// bytes carried as surrogate escapes).
#include <string>
#include <string_view>

namespace vorlane {

// Replaces the file's content with `data` (created when missing, truncated, written in
// place); core::OsError on failure.
void write_file(const std::string& path, std::string_view data);

}  // namespace vorlane
