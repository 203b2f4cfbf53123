#pragma once
// The guard's reading of a hook event: which tool is called, whether the call is hard,
// soft or harmless, the operation label and the target paths. The two shell patterns
// are compiled once per process; a classification is linear in the command's length.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"
#include "core/pattern.hpp"

namespace agent::guard {

inline constexpr std::array<std::string_view, 2> WRITE_TOOLS{"Write", "NotebookEdit"};
inline constexpr std::string_view EDIT_TOOL = "Edit";
inline constexpr std::string_view BASH_TOOL = "Bash";

extern const std::string_view HARD_BASH_PATTERN;
extern const std::string_view SOFT_BASH_PATTERN;
extern const std::string_view TARGET_PATTERN;
inline constexpr unsigned SHELL_FLAGS = core::RE_IGNORECASE | core::RE_MULTILINE;
inline constexpr std::size_t LABEL_CHARS = 120;

const core::Regex& hard_bash();
const core::Regex& soft_bash();
const core::Regex& target_pattern();

// A hook event classified. `harmless` calls carry nothing else.
struct Call {
    bool is_hard = false;
    bool is_soft = false;
    std::string op_label;
    std::vector<std::string> paths;
};

// Steps 3 to 6 of a run over the parsed event: tool and arguments, the class and the
// label, then (for a hard or soft call) the target paths. Unusable for an event of a
// shape the guard cannot read (not an object, arguments that are no object, a command
// that is no text).
Call classify(const core::Json& event);

// A search of one of the shell patterns over host text that may hold lone surrogates
// (from JSON escapes); they match as the host matches them, as non-space non-word
// characters.
bool shell_search(const core::Regex& re, std::string_view text);

}  // namespace agent::guard
