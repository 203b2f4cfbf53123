#pragma once
// Paths with the host's meaning (pathlib and os.path on the target platform).
// Everything that depends on the platform's separator lives here. The pure routines
// are linear in the path text; resolve, cwd and expand_user ask the file system or
// the user database (one call per component for resolve).
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace core::paths {

#ifdef _WIN32
inline constexpr char SEP = '\\';
inline constexpr std::string_view SEARCH_PATH_SEP = ";";  // between the entries of PATH
#else
inline constexpr char SEP = '/';
inline constexpr std::string_view SEARCH_PATH_SEP = ":";
#endif

// Whether a path text is absolute on this platform (on Windows a drive or a leading
// separator counts). Constant time.
constexpr bool is_absolute(std::string_view path) {
#ifdef _WIN32
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
    return path.size() >= 2 && path[1] == ':';
#else
    return !path.empty() && path[0] == '/';
#endif
}

// Path(p).resolve() (non-strict): absolute against the current directory, every link
// resolved component by component (a dangling link to its target text), ".." applied
// after resolution, a missing tail kept. A link loop throws std::runtime_error with
// the host's message "Symlink loop from '<path>'".
std::string resolve(std::string_view path);
// PurePath(a) == PurePath(b) for two normalized path texts: case-insensitive on Windows.
bool same(std::string_view a, std::string_view b);
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
// str(Path(p).expanduser()): a leading "~" becomes the home directory (HOME, else the
// password database), "~user" that user's; std::runtime_error "Could not determine home
// directory." when it cannot be expanded. Other paths come back normalized.
std::string expand_user(std::string_view path);

// The one walk over a search path (the value of PATH: entries split at SEARCH_PATH_SEP,
// an empty one kept): the first candidate, in the entries' order, for which `accept`
// holds, the candidate being the entry joined with `name` as os.path.join does it (an
// empty entry gives `name` itself); nullopt when none is accepted. `accept` also sees the
// entry. Linear in the value; what it costs beyond that is accept's.
std::optional<std::string> search_path(
    std::string_view value, std::string_view name,
    const std::function<bool(std::string_view entry, const std::string& candidate)>& accept);

// os.fsencode / os.fsdecode: a name is UTF-8 text in which every byte that does not
// decode is carried as a lone surrogate U+DC80..U+DCFF (in its 3-byte form), so names
// that are not valid UTF-8 survive the trip to the host and back to the file system.
std::string fs_encode(std::string_view text);
std::string fs_decode(std::string_view bytes);

}  // namespace core::paths
