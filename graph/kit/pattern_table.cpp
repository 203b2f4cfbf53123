#include "graph/kit/pattern_table.hpp"

#include <string>
#include <utility>

#include "graph/kit/frame.hpp"

namespace graph_kit::bounded {

core::Regex attempt_regex(std::string_view text, unsigned flags) {
    return core::Regex("(?:" + std::string(text) + ")|(?!)", flags);
}

CompiledTable::CompiledTable(std::vector<PatternSpec> specs) : specs_(std::move(specs)) {
    regexes_.reserve(specs_.size());
    for (const auto& spec : specs_) {
        regexes_.emplace_back(spec.text, spec.flags);
        attempts_.emplace_back();
        if (spec.find_all) attempts_.back().emplace(attempt_regex(spec.text, spec.flags));
    }
}

void CompiledTable::for_each(std::size_t i, std::string_view subject, const MatchFn& f) const {
    if (specs_[i].find_all)
        specs_[i].find_all(subject, f);
    else
        regexes_[i].for_each(subject, f);
}

void CompiledTable::for_each_row(std::size_t i, std::string_view subject,
                                 const std::function<void(const core::Match&, std::int64_t row)>& on_match) const {
    RowCounter rows(subject);
    for_each(i, subject, [&](const core::Match& m) {
        on_match(m, rows.row(m.start()));
        return true;
    });
}

}  // namespace graph_kit::bounded
