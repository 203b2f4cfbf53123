#pragma once
// The pieces of the path rules that paths.cpp, paths_user.cpp and paths_windows.cpp
// share: the host's repr of a path for messages and the string-level ntpath routines
// (os.path on Windows), which the Windows rules use beside the PureWindowsPath parse.
#include <string>
#include <string_view>
#include <utility>

namespace core::paths::detail {

// repr(str) as the host writes it.
std::string py_repr(std::string_view s);

inline bool nt_sep(char c) { return c == '\\' || c == '/'; }

// str.lower() equality, quick for ASCII text.
bool fold_equal(std::string_view a, std::string_view b);

// ntpath.splitdrive(p): the length of the drive ("C:", "\\server\share", "\\?\UNC\s\x").
std::size_t nt_drive_size(std::string_view p);
// ntpath.join(a, b)
std::string nt_join(std::string_view a, std::string_view b);
// ntpath.normpath(p)
std::string nt_normpath(std::string_view p);
// ntpath.split(p)
std::pair<std::string, std::string> nt_split(std::string_view p);
// ntpath.normcase(p): "/" as "\", str.lower().
std::string nt_normcase(std::string_view p);

#ifdef _WIN32
// Path(p).resolve() on Windows for a path without NUL (paths_windows.cpp).
std::string resolve_windows(std::string_view path);
#endif

}  // namespace core::paths::detail
