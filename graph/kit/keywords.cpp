#include "graph/kit/keywords.hpp"

#include <utility>

#include "core/text.hpp"
#include "graph/kit/frame.hpp"

namespace graph_kit {

void Keywords::add(std::string_view word) {
    const std::string lowered = core::lower(word);
    std::string w(core::strip_chars(lowered, "_"));
    if (core::cp_len(w) >= 3 && seen_.insert(w).second) tokens_.push_back(std::move(w));
}

void Keywords::add_name(std::string_view name) {
    add(name);
    for (const std::string& part : split_camel(name)) add(part);
}

void Keywords::add_route(const core::Match& m, const core::Regex& clean) {
    add(core::upper(m.group(1)));
    for (std::string_view seg : core::split_sep(core::strip_chars(m.group(2), "/"), "/")) {
        const std::string rest = clean.sub("", seg);
        if (!rest.empty()) add(rest);
    }
}

std::vector<std::string> Keywords::take() {
    if (tokens_.size() > MAX_KEYWORDS) tokens_.resize(MAX_KEYWORDS);
    return std::move(tokens_);
}

}  // namespace graph_kit
