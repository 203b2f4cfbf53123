#pragma once
// Bounded-time match walks for the summary and keyword patterns whose backtracking grows
// faster than linearly on long runs of blanks, line feeds, keyword tokens or repeated
// openings whose closing character comes late or never. Each routine
// calls f with exactly the matches that the host's finditer yields for its pattern, left
// to right, and stops when f returns false.
#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "graph/vorlane/patterns.hpp"

namespace vorlane::finders {

// Small helpers that the summary and the keywords share.
inline bool is_one_of(std::string_view s, std::initializer_list<std::string_view> set) {
    return std::find(set.begin(), set.end(), s) != set.end();
}
// Group 1, else group 2, ...: the alternative that took part.
inline std::string_view first_group(const core::Match& m) {
    for (int g = 1; g < m.groups_plus_one(); ++g)
        if (m.has(g)) return m.group(g);
    return {};
}

// \s*/\*\*?\s*(.*?)\*/  with DOTALL
void block_comment(std::string_view text, const MatchFn& f);
// ^\s*(?:def\s+([A-Za-z_]\w*)|class\s+([A-Za-z_]\w*)|module\s+([A-Za-z_]\w*))  with MULTILINE
void ruby_names(std::string_view text, const MatchFn& f);
// ^(?:\s*)(?:public\s+|private\s+|internal\s+|open\s+|static\s+|class\s+|mutating\s+|override\s+)*func\s+([A-Za-z_]\w*)
// with MULTILINE
void swift_funcs(std::string_view text, const MatchFn& f);
// ^(?:public\s+|private\s+|internal\s+|open\s+|final\s+)*(?:class|struct|enum|protocol|actor|extension)\s+([A-Za-z_]\w*)
// with MULTILINE
void swift_types(std::string_view text, const MatchFn& f);
// ^(?:(?:public|private|internal|protected|open|data|sealed|abstract)\s+)*(?:class|object|interface|fun)\s+([A-Za-z_]\w*)
// with MULTILINE
void kotlin_decls(std::string_view text, const MatchFn& f);
// ^(?:pub(?:\s*\([^)]*\))?\s+)?fn\s+([A-Za-z_]\w*)|^(?:pub\s+)?(?:struct|enum|trait)\s+([A-Za-z_]\w*)  with MULTILINE
void rust_items(std::string_view text, const MatchFn& f);
// ^(?:pub(?:\s*\([^)]*\))?\s+)?fn\s+([A-Za-z_]\w*)  with MULTILINE
void rust_fns(std::string_view text, const MatchFn& f);
// ^func\s+(?:\([^)]+\)\s+)?([A-Z]\w*)  with MULTILINE
void go_funcs(std::string_view text, const MatchFn& f);
// (?:public|private|protected|static|final|\s)+(?:class|interface|enum|record)\s+([A-Za-z_]\w*)
void java_types(std::string_view text, const MatchFn& f);
// (?:public|private|protected|static|final|\s)+(?!class|if|for|while|return)\w[\w<>\[\]]*\s+([A-Za-z_]\w*)\s*\(
void java_methods(std::string_view text, const MatchFn& f);
// ^[\w:*&<>\s]+?\s+([A-Za-z_]\w*)\s*\([^;]*$  with MULTILINE
void c_open_calls(std::string_view text, const MatchFn& f);
// ^[\w:*&<>\s]+?\s+([A-Za-z_]\w*)\s*\([^;{]*\{  with MULTILINE
void c_definitions(std::string_view text, const MatchFn& f);

}  // namespace vorlane::finders
