#pragma once
// A table of patterns compiled once, each entry's matches found through its bounded
// routine when it has one. Compiling costs once per table; a search costs what its
// routine or its pattern costs over the subject.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "core/pattern.hpp"
#include "graph/kit/patterns.hpp"

namespace graph_kit::bounded {

// A pattern for matches tried at chosen offsets, one attempt after another: the same
// matches as `text`, but without the required character that makes the engine look for
// it through the rest of the subject before each attempt (linear per attempt, so
// quadratic over the attempts of a long text). An alternative that never matches is
// enough to drop it.
core::Regex attempt_regex(std::string_view text, unsigned flags);

// A pattern table with each entry compiled once, and for entries with a bounded routine
// also as an attempt_regex.
class CompiledTable {
public:
    explicit CompiledTable(std::vector<PatternSpec> specs);
    const core::Regex& re(std::size_t i) const { return regexes_[i]; }
    const core::Regex& attempt(std::size_t i) const { return *attempts_[i]; }
    // Every match of entry i, left to right: through the entry's bounded routine when it
    // has one, else through the compiled pattern.
    void for_each(std::size_t i, std::string_view subject, const MatchFn& f) const;
    // The same with the row of each match: the number of "\n" in `subject` before it.
    void for_each_row(std::size_t i, std::string_view subject,
                      const std::function<void(const core::Match&, std::int64_t row)>& on_match) const;

private:
    std::vector<PatternSpec> specs_;
    std::vector<core::Regex> regexes_;
    std::vector<std::optional<core::Regex>> attempts_;
};

}  // namespace graph_kit::bounded
