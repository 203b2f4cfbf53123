#pragma once
// File-system tests and directory creation with the host's meaning (pathlib on the
// target platform).
// Paths are text as the host holds file names (undecodable bytes carried as surrogate
// escapes). Each call costs a few system calls; nothing is cached.
#include <string>
#include <string_view>

namespace core::files {

// Path(p).exists() / .is_dir(): false for a missing entry, a non-directory on the way,
// a link loop or a name the platform cannot take (NUL); core::OsError for any other
// failure (a directory that may not be searched, for example).
bool exists(std::string_view path);
bool is_dir(std::string_view path);
// Whether the entry itself (not followed) is a symbolic link; false on any failure.
bool is_link(std::string_view path);

// Path(p).mkdir(parents=True, exist_ok=True); core::OsError on failure (an existing
// entry that is not a directory gives EEXIST, as the host does).
void make_dirs(std::string_view path);

}  // namespace core::files
