#pragma once
// The auditor's file-system calls, behind one small interface. Paths are text as the
// host holds file names (undecodable bytes carried as surrogate escapes); a path that
// holds a NUL character names nothing. Each call is one or a few system calls; reads and
// writes copy the file's bytes once.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace audit::files {

// Path.exists(): false for a missing entry (also a missing directory on the way, a link
// loop or a NUL in the path); any other failure of the test (access denied on the way)
// throws core::OsError.
bool exists(const std::string& path);
// Reads the whole file; 0, or the errno of the failure (EISDIR for a directory).
int read_bytes(const std::string& path, std::string& out);
// The size in bytes of the file at `path`, links followed; nullopt on any failure.
std::optional<std::uint64_t> size(const std::string& path);
// Path.mkdir(parents=True, exist_ok=True); core::OsError on failure.
void make_dirs(const std::string& path);
// Writes `text` in the host's text mode (line feeds as the platform's line end) to a
// new file beside `path` and renames it over `path`, so that the target holds either
// its old content or the whole new text; core::OsError on failure.
void replace_text(const std::string& path, std::string_view text);

}  // namespace audit::files
