#include "graph/vorlane/extract_bounded.hpp"

#include <string>

#include "core/text.hpp"

namespace vorlane::bounded {

void scan_blank_led_rows(std::string_view s, bool needs_blank, const Attempt& attempt, const MatchFn& f) {
    std::size_t pos = 0;
    while ((pos = next_row_start(s, pos)) != std::string_view::npos) {
        std::size_t blanks_end = skip_space(s, pos);
        std::optional<core::Match> m;
        if (!needs_blank || blanks_end > pos) m = attempt(pos, blanks_end);
        if (m) {
            if (!f(*m)) return;
            // No pattern of this shape matches the empty text; guard the loop regardless.
            pos = m->end() > pos ? m->end() : pos + 1;
        } else {
            // Every row start up to blanks_end sees the same tail at blanks_end and fails
            // the same way (or, for "\s+", has no blank left before it): go on from the
            // character after it.
            if (blanks_end >= s.size()) return;
            pos = blanks_end;
            core::next_cp(s, pos);
        }
    }
}

void find_blank_led(const core::Regex& attempt, bool needs_blank, std::string_view s, const MatchFn& f) {
    scan_blank_led_rows(
        s, needs_blank, [&](std::size_t start, std::size_t) { return attempt.match(s, start); }, f);
}

std::optional<core::Match> blank_name_paren(std::string_view s, std::size_t pos, const core::Regex& name) {
    const std::size_t name_start = skip_space(s, pos);
    if (name_start == pos) return std::nullopt;
    auto m = name.match(s, name_start);
    if (!m) return std::nullopt;
    const std::size_t paren = skip_space(s, m->end());
    if (paren >= s.size() || s[paren] != '(') return std::nullopt;
    return core::Match(s, {pos, paren + 1, name_start, m->end()});
}

std::optional<core::Match> LazyClose::first(std::size_t from) {
    if (!listed_) {
        listed_ = true;
        // A tail that cannot run over a closing character keeps this walk linear.
        for (std::size_t i = 0; i < s_.size(); ++i) {
            if (s_[i] == close_) {
                if (tail_(i + 1)) good_.push_back(i);
            } else if (stops_.find(s_[i]) != std::string_view::npos) {
                stop_at_.push_back(i);
            }
        }
    }
    auto g = std::lower_bound(good_.begin(), good_.end(), from);
    if (g == good_.end()) return std::nullopt;
    auto z = std::lower_bound(stop_at_.begin(), stop_at_.end(), from);
    if (z != stop_at_.end() && *z < *g) return std::nullopt;
    return tail_(*g + 1);
}

bool within_window(std::string_view s, std::size_t pos, std::size_t n, std::string_view needle) {
    std::size_t end = core::cp_advance(s, pos, n);
    return s.substr(pos, end - pos).find(needle) != std::string_view::npos;
}

}  // namespace vorlane::bounded
