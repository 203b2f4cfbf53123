#pragma once
// Paths with the host's meaning (pathlib and os.path on the target platform).
// Everything that depends on the platform's separator lives here. The pure routines
// are linear in the path text; resolve, cwd and expand_user ask the file system or
// the user database (one call per component for resolve).
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core::paths {

// The two rule sets: POSIX (posixpath, PurePosixPath) and Windows (ntpath,
// PureWindowsPath: both separators, drives, UNC shares and the \\?\ and \\.\ prefixes,
// letter case ignored in comparisons). Every pure routine takes the set, NATIVE by
// default, so that either platform's meaning can be asked for on any platform.
enum class Rules { posix, windows };

#ifdef _WIN32
inline constexpr Rules NATIVE = Rules::windows;
inline constexpr std::string_view SEARCH_PATH_SEP = ";";  // between the entries of PATH
#else
inline constexpr Rules NATIVE = Rules::posix;
inline constexpr std::string_view SEARCH_PATH_SEP = ":";
#endif

// The separator that a rule set writes.
constexpr char sep_of(Rules rules) { return rules == Rules::windows ? '\\' : '/'; }
inline constexpr char SEP = sep_of(NATIVE);

// os.path.isabs: a leading separator; on Windows also a drive followed by one ("C:\\",
// "C:/"), while "C:x" is relative to that drive's current folder. Constant time.
constexpr bool is_absolute(std::string_view path, Rules rules = NATIVE) {
    if (rules == Rules::posix) return !path.empty() && path[0] == '/';
    auto sep = [](char c) { return c == '/' || c == '\\'; };
    if (!path.empty() && sep(path[0])) return true;
    return path.size() >= 3 && path[1] == ':' && sep(path[2]);
}

// Path(p).resolve() (non-strict), with the platform's own rules. POSIX: absolute
// against the current directory, every link resolved component by component (a
// dangling link to its target text), ".." applied after resolution, a missing tail
// kept. Windows: absolute against the current drive and folder, then the system's final
// name of the longest part that exists (links, junctions and the names' letter case as
// the system has them), the rest kept as written, the "\\?\" that the system adds taken
// off again. A link loop throws std::runtime_error with the host's message "Symlink loop
// from '<path>'"; a NUL in the path throws std::invalid_argument.
std::string resolve(std::string_view path);
// PurePath(a) == PurePath(b): the same anchor and components, letter case ignored on
// Windows.
bool same(std::string_view a, std::string_view b, Rules rules = NATIVE);
// str(PurePath(p)): redundant separators and "." dropped, ".." kept, trailing
// separator dropped, "" -> ".". POSIX keeps a leading "//"; Windows writes a backslash
// for "/" and keeps a drive (C:, \\server\share, \\?\C:) as the path's anchor.
std::string normalize(std::string_view path, Rules rules = NATIVE);
// str(PurePath(a) / b).
std::string join(std::string_view a, std::string_view b, Rules rules = NATIVE);
// PurePath(p).name, .parent (as text), .suffix.
std::string name(std::string_view path, Rules rules = NATIVE);
std::string parent(std::string_view path, Rules rules = NATIVE);
std::string suffix(std::string_view path, Rules rules = NATIVE);
// PurePath(p).as_posix() for a normalized path: the separator written as "/".
std::string to_slash(std::string_view path, Rules rules = NATIVE);
// PurePath(path).is_relative_to(root): `root`'s anchor and components begin `path`'s
// (whole components, letter case ignored on Windows).
bool is_within(std::string_view path, std::string_view root, Rules rules = NATIVE);
// os.path.relpath(path, start), relative paths taken against cwd(). Windows: across
// drives (or shares) std::invalid_argument with the host's message "path is on mount
// 'C:', start on mount 'D:'"; an empty path "no path specified".
std::string relpath(std::string_view path, std::string_view start, Rules rules = NATIVE);
// os.getcwd()
std::string cwd();
// str(Path(p).expanduser()): a leading "~" becomes the home directory, "~user" that
// user's; std::runtime_error "Could not determine home directory." when it cannot be
// expanded. Other paths come back normalized. POSIX: HOME, else the password
// database. Windows: USERPROFILE, else HOMEDRIVE + HOMEPATH; another user's home is
// guessed beside the current one (USERNAME), as the host does.
std::string expand_user(std::string_view path, Rules rules = NATIVE);

// The files the C runtime on Windows tries for a program named by its path: the path
// itself when its last part has an ending, else the path with ".com", ".exe", ".bat",
// ".cmd".
std::vector<std::string> windows_program_files(std::string_view path);

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
