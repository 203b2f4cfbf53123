#pragma once
// The file suffixes that count as source code, and the suffix rule every check shares:
// the final path component's text from its last "." on, when that dot is neither the
// component's first nor its last character. Comparison is exact (".TS" is no code).
#include <array>
#include <string>
#include <string_view>

namespace audit {

inline constexpr std::array<std::string_view, 24> CODE_EXTS = {
    ".ts", ".tsx", ".js", ".jsx",   ".py",   ".go", ".rs",  ".java",  ".kt",  ".cs", ".rb", ".php",
    ".c",  ".cpp", ".cc", ".swift", ".dart", ".ex", ".exs", ".scala", ".lua", ".jl", ".hs", ".zig"};

// The suffix of a path text by the host's path rules ("" when it has none).
std::string suffix_of(std::string_view path);
// The path's stem: its final component without the suffix.
std::string stem_of(std::string_view path);
bool is_code_ext(std::string_view ext);
// Whether the path's suffix is a code suffix. O(length of the path).
bool is_code_path(std::string_view path);

}  // namespace audit
