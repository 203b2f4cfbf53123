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

namespace agent::process {

using Environment = std::vector<std::pair<std::string, std::string>>;

// shutil.which(name): the first entry of `path_var` (the PATH value; unset means the
// platform's default search path, empty finds nothing) that holds an executable file of
// that name, as "dir/name"; nullopt when there is none.
std::optional<std::string> find_program(std::string_view name, std::optional<std::string_view> path_var);

// os.execvpe(program, argv, env): runs `program`, looked up on the PATH of `env` (no
// shell fallback for a file the system cannot execute; a program named with a separator
// is run as named, no search), in place of this process, after flushing the C library's
// buffered output (the host's own streams are the caller's to flush). It does not
// return where the process is replaced; core::OsError with the first error
// other than a missing entry (else the last one) when no entry could be run, and
// check_handover's error before any attempt. On a
// platform that cannot replace a process the program is started, waited for, and its
// exit status returned.
int replace_process(std::string_view program, const std::vector<std::string>& argv, const Environment& env);

// This process's own environment (os.environ as the system holds it), to hand over
// unchanged.
Environment current_environment();

// What the host checks before any hand-over: the system takes each argument, name and
// value only up to its first NUL, so one that holds a NUL is refused with
// std::invalid_argument("embedded null byte") (the host's ValueError) rather than cut.
void check_handover(const std::vector<std::string>& argv, const Environment& env);

// The command line that hands `argv` unchanged to a program that splits its command line
// by the Windows C runtime's rules (quotes, and backslashes before quotes doubled).
std::string windows_command_line(const std::vector<std::string>& argv);

}  // namespace agent::process
