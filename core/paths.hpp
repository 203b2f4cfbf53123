#pragma once
// Paths with the host's meaning (pathlib and os.path on the target platform).
// Everything that depends on the platform's separator lives here.
#include <string>
#include <string_view>

namespace core::paths {

#ifdef _WIN32
inline constexpr char SEP = '\\';
#else
inline constexpr char SEP = '/';
#endif

// Path(p).resolve() (non-strict): absolute against the current directory, every link
// resolved component by component (a dangling link to its target text), ".." applied
// after resolution, a missing tail kept. A link loop throws std::runtime_error with
// the host's message "Symlink loop from '<path>'".
std::string resolve(std::string_view path);
// str(PurePath(p)): redundant separators and "." dropped, ".." kept, trailing
// separator dropped, "" -> ".", a leading "//" kept.
std::string normalize(std::string_view path);
// str(PurePath(a) / b).
std::string join(std::string_view a, std::string_view b);
// PurePath(p).name, .parent (as text), .suffix.
std::string name(std::string_view path);
std::string parent(std::string_view path);
std::string suffix(std::string_view path);
// The path text with the platform separator written as "/".
std::string to_slash(std::string_view path);
// Whether the resolved absolute `path` is `root` or lies below it (whole components).
bool is_within(std::string_view path, std::string_view root);
// os.path.relpath(path, start) for two absolute normalized paths.
std::string relpath(std::string_view path, std::string_view start);
// os.getcwd()
std::string cwd();

}  // namespace core::paths
