#pragma once
// Process calls of the launcher, behind one interface with one implementation per
// platform: the lookup of a program on the search path and the hand-over of the process
// to it. Names, arguments and environment are host text (undecodable bytes carried as
// surrogate escapes). Each call costs one file-system test or one exec per search-path
// entry.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/paths.hpp"

namespace agent::process {

using Environment = std::vector<std::pair<std::string, std::string>>;

// shutil.which(name): the first entry of `path_var` (the PATH value; unset means the
// platform's default search path, empty finds nothing) that holds an executable file of
// that name, as "dir/name"; nullopt when there is none. On Windows the files tried are
// windows_search_order's, with this process's PATHEXT.
std::optional<std::string> find_program(std::string_view name, std::optional<std::string_view> path_var);

// os.execvpe(program, argv, env): runs `program`, looked up on the PATH of `env` (no
// shell fallback for a file the system cannot execute; a program named with a separator
// is run as named, no search), in place of this process, after flushing the C library's
// buffered output (the host's own streams are the caller's to flush). It does not
// return where the process is replaced; core::OsError with the first error
// other than a missing entry (else the last one) when no entry could be run, and
// check_handover's error before any attempt. On a
// platform that cannot replace a process the program is started, waited for, and its
// exit status returned; on Windows the lookup is windows_search_order's over the PATH and
// PATHEXT of `env` (a named path: windows_program_files), and a batch program runs
// through the command interpreter; while the program runs, Ctrl-C and Ctrl-Break are
// left to it (it shares the console), so that this process outlives it.
int replace_process(std::string_view program, const std::vector<std::string>& argv, const Environment& env);

// This process's own environment (os.environ as the system holds it), to hand over
// unchanged.
Environment current_environment();

// What the host checks before any hand-over: the system takes each argument, name and
// value only up to its first NUL, so one that holds a NUL is refused with
// std::invalid_argument("embedded null byte") (the host's ValueError) rather than cut.
void check_handover(const std::vector<std::string>& argv, const Environment& env);

// The command line that hands `argv` unchanged to a program that splits its command line
// by the Windows C runtime's rules (quotes, and backslashes before quotes doubled). The
// first entry is quoted by the same rule, which the runtime reads alike for every name
// Windows allows (no quote in it, no backslash at its end).
std::string windows_command_line(const std::vector<std::string>& argv);

// The rules of Windows programs and their environment, apart from the platform files so
// that they are built and tested everywhere. Names are compared as the host compares
// them there: after str.upper() for variables, after str.lower() for folders.

// Whether environment names are one variable whatever their case (Path and PATH).
#ifdef _WIN32
inline constexpr bool ENV_NAMES_FOLD_CASE = true;
#else
inline constexpr bool ENV_NAMES_FOLD_CASE = false;
#endif

// PATHEXT's value when it is unset or empty, and the search path when PATH is unset.
inline constexpr std::string_view WINDOWS_DEFAULT_PATHEXT = ".COM;.EXE;.BAT;.CMD;.VBS;.JS;.WS;.MSC";
inline constexpr std::string_view WINDOWS_DEFAULT_PATH = ".;C:\\bin";

// Whether a Windows program name holds a folder part (a separator of either kind, or a
// drive), so that it names a file rather than a program to search for.
bool windows_names_folder(std::string_view name);

// The files shutil.which(name) tries on Windows, in its order: a name with a folder part
// alone; otherwise the current folder "." first (unless an entry is "." already), then
// each entry of `path_var` (split at ';', a repeated folder tried once), and in each the
// name itself when it ends with one of PATHEXT's endings (case-insensitive), else the name
// with each ending appended. An empty `path_var` gives none; unset means
// WINDOWS_DEFAULT_PATH. The first that exists and is no folder is the program.
std::vector<std::string> windows_search_order(std::string_view name, std::optional<std::string_view> path_var,
                                              std::string_view pathext);

// The files the C runtime tries for a program named by its path (core/paths.hpp).
using core::paths::windows_program_files;

// Whether the file is a batch program, which runs only through the command interpreter.
bool windows_is_batch(std::string_view file);

// The command interpreter's command line that runs the batch program `file` with the
// arguments after argv[0], each reaching it as the C runtime would split it and with no
// variable expanded (a '%' is kept from the interpreter's expansion). Throws
// std::invalid_argument for an argument with a line break, which ends the interpreter's
// command wherever it stands, and for a name Windows cannot have.
std::string windows_batch_command_line(std::string_view interpreter, std::string_view file,
                                       const std::vector<std::string>& argv);

// The value of `name` in `env` compared as `fold_case` says (the last entry wins, as in
// the block below); nullopt when absent.
std::optional<std::string> env_value(const Environment& env, std::string_view name,
                                     bool fold_case = ENV_NAMES_FOLD_CASE);

// The environment block CreateProcessW takes, as UTF-8: "NAME=value\0" per variable,
// sorted by upper-cased name, one entry per name whatever its case (the last given wins,
// with its own spelling), and a final "\0".
std::string windows_environment_block(const Environment& env);

}  // namespace agent::process
