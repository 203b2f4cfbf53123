// Each routine below takes the one way its pattern can match at a start (the reason is
// given beside it) and looks for the closing character through a cache that answers the
// forward-moving queries of one text in linear time in all.
#include "graph/vorlane_ast/keyword_finders.hpp"

#include <cstddef>
#include <optional>
#include <vector>

#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/kit/bounded_search.hpp"

namespace vorlane_ast::finders {

namespace {

using core::Match;
using core::space_end;
constexpr std::size_t npos = std::string_view::npos;

// ([A-Za-z_]\w*)\s*\( at i: the name's span and the offset just past "(". Neither the
// blanks nor "(" are word characters, so the greedy name cannot give back: this is the
// only way the piece matches.
struct NameParen {
    std::size_t name_start, name_end, end;
};
std::optional<NameParen> name_then_paren(std::string_view t, std::size_t i) {
    static const core::Regex ident(R"re([A-Za-z_]\w*)re");
    if (i >= t.size()) return std::nullopt;
    auto m = ident.match(t, i);
    if (!m) return std::nullopt;
    const std::size_t y = space_end(t, m->end());
    if (y >= t.size() || t[y] != '(') return std::nullopt;
    return NameParen{i, m->end(), y + 1};
}

}  // namespace

// "\s*" cannot end where "{" begins, and "[^}]+" must stop just before the first "}"
// after the "{" (it cannot hold one, and "\}" must follow it), so a start matches in one
// way only. Starts are the places where "export" is written.
void export_lists(std::string_view t, const MatchFn& f) {
    graph_kit::bounded::NextOf close(t, "}");
    std::size_t p = 0;
    while ((p = t.find("export", p)) != npos) {
        const std::size_t e = space_end(t, p + 6);
        if (e < t.size() && t[e] == '{') {
            const std::size_t z = close.from(e + 1);
            if (z != npos && z > e + 1) {
                if (!f(Match(t, {p, z + 1, e + 1, z}))) return;
                p = z + 1;
                continue;
            }
        }
        ++p;
    }
}

// At a row start holding "func": "\s+" cannot give back (neither "(" nor a name begins
// with a blank); with "(" next, "[^)]+" ends just before the first ")" and "\s+" again
// takes all the blanks, so the receiver is taken in one way; without the receiver the
// name would have to begin at "(", so that choice never matches when "(" is there.
void go_funcs(std::string_view t, const MatchFn& f) {
    graph_kit::bounded::NextOf close(t, ")");
    std::size_t p = 0;
    while ((p = graph_kit::bounded::next_row_start(t, p)) != npos) {
        std::optional<Match> m;
        if (graph_kit::bounded::at(t, p, "func")) {
            const std::size_t e = space_end(t, p + 4);
            std::optional<NameParen> np;
            if (e > p + 4 && e < t.size() && t[e] == '(') {
                const std::size_t z = close.from(e + 1);
                if (z != npos && z > e + 1) {
                    const std::size_t w = space_end(t, z + 1);
                    if (w > z + 1) np = name_then_paren(t, w);
                }
            } else if (e > p + 4) {
                np = name_then_paren(t, e);
            }
            if (np) m = Match(t, {p, np->end, np->name_start, np->name_end});
        }
        if (m) {
            if (!f(*m)) return;
            p = m->end();
        } else {
            const std::size_t nl = t.find('\n', p);
            if (nl == npos) return;
            p = nl + 1;
        }
    }
}

}  // namespace vorlane_ast::finders
