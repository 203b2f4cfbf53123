// Each routine below finds the same matches as the backtracking engine would, but decides
// once for a whole run of start positions that share the same outcome. The comments give
// the reason why the skipped start positions cannot match.
#include "graph/vorlane/summary_keywords_finders.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/kit/bounded_search.hpp"

namespace vorlane::finders {

namespace {

using core::Match;
constexpr std::size_t npos = Match::npos;

using core::space_end;
using graph_kit::bounded::after_cp;
using graph_kit::bounded::NextOf;
using graph_kit::bounded::space_at;
constexpr auto literal_at = graph_kit::bounded::at;
constexpr auto line_start_from = graph_kit::bounded::next_row_start;
constexpr auto next_line_after = graph_kit::bounded::row_start_after;

// A match spanning [start, end) whose groups are those of `tail`.
Match with_span(std::string_view t, std::size_t start, std::size_t end, const Match& tail, int groups) {
    std::vector<std::size_t> ov{start, end};
    for (int g = 1; g <= groups; ++g) {
        ov.push_back(tail.has(g) ? tail.start(g) : npos);
        ov.push_back(tail.has(g) ? tail.end(g) : npos);
    }
    return Match(t, std::move(ov));
}

// Token of the Java modifier loop (public|private|protected|static|final|\s) at i: its
// end, or npos. The alternatives begin with different characters, so at most one fits,
// and no token begins inside a keyword, so the loop splits a text in one way only.
// It is asked at nearly every offset of a Java text, so the first byte decides before
// any word is compared.
std::size_t java_token(std::string_view t, std::size_t i) {
    if (i >= t.size()) return npos;
    const auto c = static_cast<unsigned char>(t[i]);
    if (c >= 0x80) return space_at(t, i) ? after_cp(t, i) : npos;
    if ((c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20)) return i + 1;  // the ASCII white space
    auto word = [&](std::string_view w) { return literal_at(t, i, w) ? i + w.size() : npos; };
    switch (c) {
        case 'p':
            if (std::size_t e = word("public"); e != npos) return e;
            if (std::size_t e = word("private"); e != npos) return e;
            return word("protected");
        case 's':
            return word("static");
        case 'f':
            return word("final");
        default:
            return npos;
    }
}

// The first token start at or after p, or npos.
std::size_t java_token_start(std::string_view t, std::size_t p) {
    // The bytes that may begin a token: ASCII white space (and the control bytes below
    // it, which java_token turns down), the keywords' first letters, and the first byte
    // of any other character. Continuation bytes and the rest are passed over.
    static constexpr std::array<bool, 256> kMayBegin = [] {
        std::array<bool, 256> a{};
        for (int c = 0; c < 256; ++c) a[c] = c <= 0x20 || c == 'p' || c == 's' || c == 'f' || c >= 0xC0;
        return a;
    }();
    for (std::size_t s = p; s < t.size(); ++s)
        if (kMayBegin[static_cast<unsigned char>(t[s])] && java_token(t, s) != npos) return s;
    return npos;
}

// ([A-Za-z_]\w*)\s*\( at i: the name's end and the position of the "(", or nothing. The
// runs are greedy and cannot give back (neither blanks nor "(" are word characters), so
// this is the pattern's only way. It is checked piece by piece: a pattern whose "(" comes
// after a run makes the engine look ahead for a "(" on every call, which costs the rest
// of the text each time when there is none.
struct NameParen {
    std::size_t name_end, paren;
};
bool ascii_word(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::optional<NameParen> name_then_paren(std::string_view t, std::size_t i) {
    static const core::Regex ident(R"re([A-Za-z_]\w*)re");
    if (i >= t.size()) return std::nullopt;
    const auto first = static_cast<unsigned char>(t[i]);
    if (first >= 0x80 || !(ascii_word(first) && !(first >= '0' && first <= '9'))) return std::nullopt;
    // ASCII word characters are measured here; the pattern takes over at the first other
    // character that could still be a word character.
    std::size_t name_end = i + 1;
    while (name_end < t.size() && ascii_word(static_cast<unsigned char>(t[name_end]))) ++name_end;
    if (name_end < t.size() && static_cast<unsigned char>(t[name_end]) >= 0x80) name_end = ident.match(t, i)->end();
    const std::size_t y = space_end(t, name_end);
    if (y >= t.size() || t[y] != '(') return std::nullopt;
    return NameParen{name_end, y};
}

// Walks the line starts of ^[\w:*&<>\s]+?\s+([A-Za-z_]\w*)\s*\( followed by a tail that
// `tail_end` checks from the position of the "(" (returning the match end, or npos).
//
// From a line start s the lazy run takes one more character at a time, and the rest can
// only succeed at a position x inside a run of white space; \s+ then takes that run to
// its end e, and the name, the blanks and "(" that follow are fixed by e alone. So the
// match from s is decided by the first run of white space after s, inside the stretch of
// class characters that starts at s, whose end e passes the rest. Line starts inside one
// such stretch share it; the runs are tried once each, in order.
template <typename TailEnd>
void lazy_c_prefix(std::string_view t, const MatchFn& f, TailEnd&& tail_end) {
    static const core::Regex cls(R"re([\w:*&<>\s])re");
    static const core::Regex run(R"re([\w:*&<>\s]*)re");
    // ASCII bytes are classed here, any other character by the patterns.
    auto ascii_class = [](unsigned char c) {
        return ascii_word(c) || c == ':' || c == '*' || c == '&' || c == '<' || c == '>' || (c >= 0x09 && c <= 0x0D) ||
               (c >= 0x1C && c <= 0x20);
    };
    auto class_at = [&](std::size_t i) {
        const auto c = static_cast<unsigned char>(t[i]);
        return c < 0x80 ? ascii_class(c) : cls.match(t, i).has_value();
    };
    auto run_end = [&](std::size_t i) {
        while (i < t.size() && static_cast<unsigned char>(t[i]) < 0x80 && ascii_class(static_cast<unsigned char>(t[i])))
            ++i;
        return i < t.size() && static_cast<unsigned char>(t[i]) >= 0x80 ? run.match(t, i)->end() : i;
    };
    struct Good {
        bool set = false;
        std::size_t run_end = 0, name_start = 0, name_end = 0, end = 0;
    };
    const std::size_t n = t.size();
    bool in_stretch = false;
    std::size_t stretch_end = 0;  // end of the stretch of class characters
    std::size_t scanned = 0;      // runs of white space before this are known to fail
    Good good;                    // the first passing run not yet behind us
    std::size_t p = 0;
    while (p <= n) {
        std::size_t s = line_start_from(t, p);
        if (s == npos) return;
        if (!in_stretch || s >= stretch_end) {
            in_stretch = false;
            if (s >= n || !class_at(s)) {
                p = next_line_after(t, s);
                if (p == npos) return;
                continue;
            }
            in_stretch = true;
            stretch_end = run_end(s);
            scanned = s;
            good.set = false;
        }
        const std::size_t s1 = after_cp(t, s);  // the lazy run holds at least one character
        if (good.set && good.run_end <= s1) good.set = false;
        if (!good.set) {
            std::size_t i = std::max(scanned, s1);
            while (i < stretch_end) {
                if (!space_at(t, i)) {
                    i = after_cp(t, i);
                    continue;
                }
                const std::size_t e = space_end(t, i);
                i = e;
                auto np = name_then_paren(t, e);
                if (!np) continue;
                const std::size_t end = tail_end(np->paren);
                if (end == npos) continue;
                good = Good{true, e, e, np->name_end, end};
                break;
            }
            scanned = i;
        }
        if (!good.set) {  // no later line start of this stretch matches either
            p = stretch_end;
            continue;
        }
        if (!f(Match(t, {s, good.end, good.name_start, good.name_end}))) return;
        p = good.end;
    }
}

// Line starts of a pattern made of optional blanks (only with `leading_space`), a chain
// of modifiers, each a keyword and the blanks after it, and then `tail`. One keyword at
// most fits at a place, and neither a modifier nor the tail begins on a blank, so the
// chain from a line start s is fixed and ends at some E; the tail cannot begin where a
// modifier keyword does, so it is tried at E alone. A later line start up to E either
// lies on the chain (same E) or inside its blanks, where with `leading_space` the blanks
// lead back onto the chain and without it nothing can begin; either way it fails when s
// fails, and the walk moves to the line after E.
template <std::size_t N>
void modifier_chain(std::string_view t, const MatchFn& f, const std::array<std::string_view, N>& mods,
                    bool leading_space, const core::Regex& tail) {
    auto chain_end = [&](std::size_t i) {
        for (bool moved = true; moved;) {
            moved = false;
            for (auto w : mods) {
                if (literal_at(t, i, w) && space_at(t, i + w.size())) {
                    i = space_end(t, i + w.size());
                    moved = true;
                    break;
                }
            }
        }
        return i;
    };
    std::size_t p = 0;
    while (p <= t.size()) {
        const std::size_t s = line_start_from(t, p);
        if (s == npos) return;
        const std::size_t e = chain_end(leading_space ? space_end(t, s) : s);
        if (auto m = tail.match(t, e)) {
            if (!f(with_span(t, s, m->end(), *m, 1))) return;
            p = m->end();
        } else {
            p = next_line_after(t, e);
            if (p == npos) return;
        }
    }
}

// Walks the line starts, calling `at` for each; `at` gives the match that starts there
// or nothing. After a match the walk resumes at its end.
template <typename At>
void each_line_start(std::string_view t, const MatchFn& f, At&& at) {
    std::size_t p = 0;
    while (p <= t.size()) {
        const std::size_t s = line_start_from(t, p);
        if (s == npos) return;
        if (std::optional<Match> m = at(s)) {
            if (!f(*m)) return;
            p = m->end();
        } else {
            p = next_line_after(t, s);
            if (p == npos) return;
        }
    }
}

// ^(?:pub(?:\s*\([^)]*\))?\s+)?fn\s+([A-Za-z_]\w*) at the line start s. Each piece is fixed
// once the one before it is (no piece can end where the next begins), except that the
// engine tries "pub" with its parenthesis, then "pub" alone, then no "pub". Only the scan
// for ")" is long; `close` remembers it across line starts.
std::optional<Match> rust_fn_at(std::string_view t, std::size_t s, NextOf& close) {
    static const core::Regex fn(R"re(fn\s+([A-Za-z_]\w*))re");
    auto fn_at = [&](std::size_t i) { return literal_at(t, i, "fn") ? fn.match(t, i) : std::nullopt; };
    if (literal_at(t, s, "pub")) {
        const std::size_t p3 = s + 3, e = space_end(t, p3);
        if (e < t.size() && t[e] == '(') {
            const std::size_t z = close.from(e + 1);
            if (z < t.size()) {
                const std::size_t w = space_end(t, z + 1);
                if (w > z + 1)
                    if (auto m = fn_at(w)) return m;
            }
        }
        if (e > p3)
            if (auto m = fn_at(e)) return m;
    }
    return fn_at(s);
}

}  // namespace

// At a start s the leading \s* takes the blanks up to the first "/*" (a shorter take
// leaves a blank where "/" must be), so the match of the leftmost start is decided by the
// first "/*" after the search position: after it, "\*?" and \s* are greedy and ".*?"
// stops at the first "*/" at or after the end e2 of the blanks. When there is none, the
// only other way is "/**/" (the second "*" read as the start of "*/"); every later "/*"
// lies at or after e2 and has no "*/" after it either, so the walk ends.
void block_comment(std::string_view t, const MatchFn& f) {
    std::size_t p = 0;
    while (true) {
        const std::size_t e1 = t.find("/*", p);
        if (e1 == std::string_view::npos) return;
        std::size_t s = e1;
        while (s > p) {
            std::size_t k = s - 1;
            while (k > p && (static_cast<unsigned char>(t[k]) & 0xC0) == 0x80) --k;
            if (!space_at(t, k)) break;
            s = k;
        }
        const std::size_t a = e1 + 2;
        const std::size_t b = (a < t.size() && t[a] == '*') ? a + 1 : a;
        const std::size_t e2 = space_end(t, b);
        const std::size_t q = t.find("*/", e2);
        std::optional<Match> m;
        if (q != std::string_view::npos)
            m.emplace(t, std::vector<std::size_t>{s, q + 2, e2, q});
        else if (literal_at(t, a, "*/"))
            m.emplace(t, std::vector<std::size_t>{s, a + 2, a, a});
        else
            return;
        if (!f(*m)) return;
        p = m->end();
    }
}

// At a line start s the leading \s* takes the blanks up to their end e (the keywords
// cannot begin on a blank), so every line start up to e has the same outcome.
void ruby_names(std::string_view t, const MatchFn& f) {
    static const core::Regex tail(R"re((?:def\s+([A-Za-z_]\w*)|class\s+([A-Za-z_]\w*)|module\s+([A-Za-z_]\w*)))re");
    std::size_t p = 0;
    while (p <= t.size()) {
        const std::size_t s = line_start_from(t, p);
        if (s == npos) return;
        const std::size_t e = space_end(t, s);
        if (auto m = tail.match(t, e)) {
            if (!f(with_span(t, s, m->end(), *m, 3))) return;
            p = m->end();
        } else {
            p = next_line_after(t, e);
            if (p == npos) return;
        }
    }
}

// A match starts at a token of the modifier loop. Every token start of one chain of
// tokens reaches the same chain end E, and the type keyword can only follow at E (it
// cannot begin where a token does), so one test at E decides the whole chain.
void java_types(std::string_view t, const MatchFn& f) {
    static const core::Regex tail(R"re((?:class|interface|enum|record)\s+([A-Za-z_]\w*))re");
    std::size_t p = 0;
    while (p < t.size()) {
        const std::size_t s = java_token_start(t, p);
        if (s == npos) return;
        std::size_t e = s;
        for (std::size_t next; (next = java_token(t, e)) != npos;) e = next;
        // The tail's alternatives begin with one of these bytes: anything else cannot match.
        const bool may_match = e < t.size() && std::string_view("cier").find(t[e]) != std::string_view::npos;
        if (auto m = may_match ? tail.match(t, e) : std::nullopt) {
            if (!f(with_span(t, s, m->end(), *m, 1))) return;
            p = m->end();
        } else {
            p = e;
        }
    }
}

// As for java_types, a start is a token of a chain, but here the rest may also begin at
// an inner boundary of the chain where a keyword token starts (a keyword is a word), and
// the engine takes the last boundary after the start at which the rest succeeds. The rest
// at a boundary b is: one word character, the run of [\w<>\[\]] to its end R, then
// \s+name\s*\( fixed by R; inner keyword boundaries of one run share R. So the outcome
// of the first start of a chain decides the chain: it fails only when no boundary passes.
//
// The run from a boundary ends where the run that holds the boundary ends, so the last run
// measured serves every boundary inside it: a run can hold many chains ("aprivateaprivate"),
// and measuring it again from each would cost the rest of the run every time.
void java_methods(std::string_view t, const MatchFn& f) {
    static const core::Regex head(R"re((?!class|if|for|while|return)\w)re");
    static const core::Regex run(R"re([\w<>\[\]]*)re");
    // Both are tried at every word of a text: ASCII is decided here, any other character
    // by the patterns.
    auto head_at = [&](std::size_t b) {
        if (b >= t.size()) return false;
        const auto c = static_cast<unsigned char>(t[b]);
        if (c >= 0x80) return head.match(t, b).has_value();
        if (!ascii_word(c)) return false;
        for (std::string_view refused : {"class", "if", "for", "while", "return"})
            if (literal_at(t, b, refused)) return false;
        return true;
    };
    auto measure_run = [&](std::size_t b) {
        std::size_t i = b;
        for (; i < t.size(); ++i) {
            const auto c = static_cast<unsigned char>(t[i]);
            if (c >= 0x80) return run.match(t, i)->end();
            if (!(ascii_word(c) || c == '<' || c == '>' || c == '[' || c == ']')) break;
        }
        return i;
    };
    std::size_t run_start = 0, run_end = 0;  // last run of [\w<>\[\]] measured
    auto run_end_from = [&](std::size_t b) {
        if (b < run_start || b >= run_end) {
            run_start = b;
            run_end = measure_run(b);
        }
        return run_end;
    };
    std::size_t rest_at = npos;  // last R tested, and its outcome
    std::optional<Match> rest_match;
    auto rest_from = [&](std::size_t r) -> const std::optional<Match>& {
        if (r != rest_at) {
            rest_at = r;
            rest_match.reset();
            const std::size_t w = space_end(t, r);  // \s+([A-Za-z_]\w*)\s*\(
            if (w > r)
                if (auto np = name_then_paren(t, w))
                    rest_match.emplace(t, std::vector<std::size_t>{r, np->paren + 1, w, np->name_end});
        }
        return rest_match;
    };
    std::size_t p = 0;
    while (p < t.size()) {
        const std::size_t s = java_token_start(t, p);
        if (s == npos) return;
        std::optional<Match> best;
        std::size_t b = java_token(t, s);
        while (true) {
            const std::size_t next = java_token(t, b);
            if (next == npos) {  // b is the chain's end
                if (head_at(b))
                    if (const auto& m = rest_from(run_end_from(b))) best = *m;
                break;
            }
            if (!space_at(t, b))  // a keyword token starts at b
                if (const auto& m = rest_from(run_end_from(b))) best = *m;
            b = next;
        }
        if (best) {
            if (!f(with_span(t, s, best->end(), *best, 1))) return;
            p = best->end();
        } else {
            p = b;
        }
    }
}

// The tail [^;]*$ from just after the "(" at y: [^;]* runs to the first ";" (or the end
// of the text, where $ holds), then gives back to the last line feed before it.
void c_open_calls(std::string_view t, const MatchFn& f) {
    NextOf semicolon(t, ";");
    std::size_t nl_for = npos;  // the ";" whose last preceding line feed was looked for
    std::size_t nl_from = 0;    // from where it was looked for
    std::size_t nl_at = npos;   // what was found (npos: none from nl_from on)
    lazy_c_prefix(t, f, [&](std::size_t y) -> std::size_t {
        const std::size_t from = y + 1;
        const std::size_t z = semicolon.from(from);
        if (z == npos) return t.size();
        if (z != nl_for) {
            nl_for = z;
            nl_from = from;
            nl_at = npos;
            for (std::size_t k = z; k > from;)
                if (t[--k] == '\n') {
                    nl_at = k;
                    break;
                }
        }
        // The queries move forward, so `from` is never before nl_from.
        return nl_at != npos && nl_at >= from ? nl_at : npos;
    });
}

// The tail [^;{]*\{ from just after the "(": it holds when the first ";" or "{" is a "{".
void c_definitions(std::string_view t, const MatchFn& f) {
    NextOf stop(t, ";{");
    lazy_c_prefix(t, f, [&](std::size_t y) -> std::size_t {
        const std::size_t z = stop.from(y + 1);
        return z < t.size() && t[z] == '{' ? z + 1 : npos;
    });
}

void swift_funcs(std::string_view t, const MatchFn& f) {
    static constexpr std::array<std::string_view, 8> kMods{"public", "private", "internal", "open",
                                                           "static", "class",   "mutating", "override"};
    static const core::Regex tail(R"re(func\s+([A-Za-z_]\w*))re");
    modifier_chain(t, f, kMods, true, tail);
}

void swift_types(std::string_view t, const MatchFn& f) {
    static constexpr std::array<std::string_view, 5> kMods{"public", "private", "internal", "open", "final"};
    static const core::Regex tail(R"re((?:class|struct|enum|protocol|actor|extension)\s+([A-Za-z_]\w*))re");
    modifier_chain(t, f, kMods, false, tail);
}

void kotlin_decls(std::string_view t, const MatchFn& f) {
    static constexpr std::array<std::string_view, 8> kMods{"public", "private", "internal", "protected",
                                                           "open",   "data",    "sealed",   "abstract"};
    static const core::Regex tail(R"re((?:class|object|interface|fun)\s+([A-Za-z_]\w*))re");
    modifier_chain(t, f, kMods, false, tail);
}

void rust_items(std::string_view t, const MatchFn& f) {
    static const core::Regex type(R"re((?:pub\s+)?(?:struct|enum|trait)\s+([A-Za-z_]\w*))re");
    NextOf close(t, ")");
    each_line_start(t, f, [&](std::size_t s) -> std::optional<Match> {
        if (auto m = rust_fn_at(t, s, close)) return Match(t, {s, m->end(), m->start(1), m->end(1), npos, npos});
        if (literal_at(t, s, "pub") || literal_at(t, s, "struct") || literal_at(t, s, "enum") ||
            literal_at(t, s, "trait"))
            if (auto m = type.match(t, s)) return Match(t, {s, m->end(), npos, npos, m->start(1), m->end(1)});
        return std::nullopt;
    });
}

void rust_fns(std::string_view t, const MatchFn& f) {
    NextOf close(t, ")");
    each_line_start(t, f, [&](std::size_t s) -> std::optional<Match> {
        if (auto m = rust_fn_at(t, s, close)) return with_span(t, s, m->end(), *m, 1);
        return std::nullopt;
    });
}

// "func" and its blanks are fixed; then the engine tries the receiver group, whose
// [^)]+ runs to the first ")", and else the name right after the blanks.
void go_funcs(std::string_view t, const MatchFn& f) {
    static const core::Regex name(R"re(([A-Z]\w*))re");
    NextOf close(t, ")");
    each_line_start(t, f, [&](std::size_t s) -> std::optional<Match> {
        if (!literal_at(t, s, "func")) return std::nullopt;
        const std::size_t e = space_end(t, s + 4);
        if (e == s + 4) return std::nullopt;
        if (t[e] == '(') {
            const std::size_t z = close.from(e + 1);
            if (z < t.size() && z > e + 1) {
                const std::size_t w = space_end(t, z + 1);
                if (w > z + 1)
                    if (auto m = name.match(t, w)) return with_span(t, s, m->end(), *m, 1);
            }
        }
        if (auto m = name.match(t, e)) return with_span(t, s, m->end(), *m, 1);
        return std::nullopt;
    });
}

}  // namespace vorlane::finders
