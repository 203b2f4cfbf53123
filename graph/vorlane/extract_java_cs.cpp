// Java-family (Java, Kotlin, Scala) and C# symbols: types first, then methods, each record
// spanning a fixed number of rows below its start. The Java passes search the text with
// its block comments removed and place each match on the row of the original text.
#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "core/text.hpp"
#include "graph/vorlane/extract_bounded.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"

namespace vorlane {
namespace {

enum : std::size_t { JAVA_COMMENT, JAVA_TYPE, JAVA_METHOD, JAVA_INDENTED, CS_TYPE, CS_METHOD };

constexpr std::int64_t kSpan = 60;
constexpr std::size_t kTypeWindow = 20;
constexpr std::size_t kMethodWindow = 30;

// The Java type pattern is a run of access words and blanks, then this tail.
constexpr std::string_view kJavaTypeRun = R"((?:public|private|protected|\s)+)";
constexpr std::string_view kJavaTypeTail =
    R"((?:class|interface|enum|record|object|data\s+class|sealed\s+class|abstract\s+class|@interface)\s+([A-Za-z_]\w*))";
constexpr std::string_view kJavaTypeText = bounded::Joined<kJavaTypeRun, kJavaTypeTail>::value;

const bounded::CompiledTable& table() {
    static const bounded::CompiledTable t(java_cs_patterns());
    return t;
}

// Block comments: from each "/*" to the nearest "*/" after it. When a "/*" has no closing
// marker after it, no later one has either, so the search ends there.
void java_comments_all(std::string_view s, const MatchFn& f) {
    std::size_t pos = 0;
    while (true) {
        std::size_t open = s.find("/*", pos);
        if (open == std::string_view::npos) return;
        std::size_t close = s.find("*/", open + 2);
        if (close == std::string_view::npos) return;
        if (!f(core::Match(s, {open, close + 2}))) return;
        pos = close + 2;
    }
}

// Length of the word among `words` written at pos, or 0.
std::size_t word_at(std::string_view s, std::size_t pos, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words)
        if (bounded::at(s, pos, w)) return w.size();
    return 0;
}

// Length of the access word or blank that begins at pos, or 0.
// Asked at nearly every offset of a text, so the first byte decides before any word is
// compared.
std::size_t run_item(std::string_view s, std::size_t pos) {
    if (pos >= s.size()) return 0;
    const auto c = static_cast<unsigned char>(s[pos]);
    if (c == 'p') return word_at(s, pos, {"public", "private", "protected"});
    if (c < 0x80) return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) ? 1 : 0;
    std::size_t next = pos;
    return core::is_space(core::next_cp(s, next)) ? next - pos : 0;
}

// The type pattern, "(?:public|private|protected|\s)+" and a tail that starts with a
// keyword letter or "@". At any offset at most one item of the run can match, so from
// every item start of one unbroken stretch the run can only be cut at item boundaries,
// and the tail (which cannot begin with "p" or a blank) can only match where the stretch
// ends. A backtracking search retries that for each offset of the stretch: quadratic on
// long runs of blanks. Here each stretch is walked once and the tail tried once at its
// end; the match starts at the first item start of the stretch at or after the search
// position, as the leftmost search would find it.
void java_types_all(std::string_view s, const MatchFn& f) {
    static const core::Regex tail = bounded::attempt_regex(kJavaTypeTail, core::RE_NONE);
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (run_item(s, pos) == 0) {
            core::next_cp(s, pos);
            continue;
        }
        std::size_t stretch_end = pos;
        while (std::size_t n = run_item(s, stretch_end)) stretch_end += n;
        // The tail's alternatives begin with one of these bytes: anything else cannot match.
        const bool may_match =
            stretch_end < s.size() && std::string_view("cierodsa@").find(s[stretch_end]) != std::string_view::npos;
        auto m = may_match ? tail.match(s, stretch_end) : std::nullopt;
        if (!m) {
            pos = stretch_end;
            continue;
        }
        if (!f(core::Match(s, {pos, m->end(), m->start(1), m->end(1)}))) return;
        pos = m->end();
    }
}

bool starts_with_any(std::string_view s, std::size_t pos, std::initializer_list<std::string_view> words) {
    return word_at(s, pos, words) != 0;
}

// The method pattern: an access word, "\s+", the optional modifiers static, final, default
// and synchronized (each with its blanks), then at the type's start T a refused-word check
// and either a run "\w[\w<>\[\]]*" or a word, blanks, "<" and a lazy "[^;{(]*?>", then the
// blanks, the name and "(". Every blank run and word run is taken whole (what follows each
// cannot begin with the character it would give back), so the only choices are which
// modifiers are taken, tried in the engine's order, and which ">" closes the lazy part.
// The outcome at T does not depend on the modifiers that led there, and the ">" whose
// tail holds is looked up in a list made once: a backtracking search walks to the next
// stop character for every "<" that never closes, which is quadratic in all.
void java_methods_all(std::string_view s, const MatchFn& f) {
    static const core::Regex name(R"([A-Za-z_]\w*)");
    static const core::Regex type_run(R"(\w[\w<>\[\]]*)");
    static const core::Regex word(R"(\w+)");
    static constexpr std::array<std::string_view, 4> kModifiers{"static", "final", "default", "synchronized"};
    bounded::LazyClose close(s, '>', ";{(", [&](std::size_t x) { return bounded::blank_name_paren(s, x, name); });
    auto rest = [&](std::size_t t) -> std::optional<core::Match> {
        if (starts_with_any(s, t, {"class", "if", "for", "while", "return", "new"})) return std::nullopt;
        if (auto r = type_run.match(s, t))
            if (auto m = bounded::blank_name_paren(s, r->end(), name)) return m;
        auto w = word.match(s, t);
        if (!w) return std::nullopt;
        const std::size_t lt = bounded::skip_space(s, w->end());
        if (lt >= s.size() || s[lt] != '<') return std::nullopt;
        return close.first(lt + 1);
    };
    std::size_t pos = 0;
    while ((pos = s.find('p', pos)) != std::string_view::npos) {
        const std::size_t start = pos;
        const std::size_t access_end = start + word_at(s, start, {"public", "private", "protected"});
        const std::size_t after = bounded::skip_space(s, access_end);
        std::optional<core::Match> m;
        if (access_end > start && after > access_end) {
            // Type starts already tried for this start, with their outcome.
            std::vector<std::pair<std::size_t, std::optional<core::Match>>> tried;
            auto at_type = [&](std::size_t t) -> std::optional<core::Match> {
                for (const auto& [p, r] : tried)
                    if (p == t) return r;
                tried.emplace_back(t, rest(t));
                return tried.back().second;
            };
            auto modifiers = [&](auto& self, std::size_t i, std::size_t p) -> std::optional<core::Match> {
                if (i == kModifiers.size()) return at_type(p);
                if (bounded::at(s, p, kModifiers[i])) {
                    const std::size_t e = p + kModifiers[i].size(), blanks_end = bounded::skip_space(s, e);
                    if (blanks_end > e)
                        if (auto r = self(self, i + 1, blanks_end)) return r;
                }
                return self(self, i + 1, p);
            };
            m = modifiers(modifiers, 0, after);
        }
        if (!m) {
            pos = start + 1;
            continue;
        }
        if (!f(core::Match(s, {start, m->end(), m->start(1), m->end(1)}))) return;
        pos = m->end();
    }
}

// The indented method pattern at a row start whose leading blanks end at b: a refused-word
// check, a word "[A-Za-z]\w*", an optional "<" with a lazy "[^;{]*?>", an optional "[]",
// then the blanks, a lower-case name and "(". As in java_methods_all the runs are taken
// whole, so the outcome is decided by the word's end unless a "<" follows it; then by the
// first ">" before the next ";" or "{" whose tail holds.
void java_indented_all(std::string_view s, const MatchFn& f) {
    static const core::Regex head(R"([A-Za-z]\w*)");
    static const core::Regex name(R"([a-z]\w*)");
    // "(?:\[\])?" and the rest from pos: giving the brackets back leaves "[" where a blank
    // must be, so only the greedy way can hold.
    auto tail = [&](std::size_t pos) {
        return bounded::blank_name_paren(s, bounded::at(s, pos, "[]") ? pos + 2 : pos, name);
    };
    bounded::LazyClose close(s, '>', ";{", tail);
    bounded::scan_blank_led_rows(
        s, true,
        [&](std::size_t line_start, std::size_t b) -> std::optional<core::Match> {
            if (starts_with_any(s, b,
                                {"public", "private", "protected", "static", "final", "default", "class", "if", "for",
                                 "while", "return", "new", "@"}))
                return std::nullopt;
            auto h = head.match(s, b);
            if (!h) return std::nullopt;
            auto m = h->end() < s.size() && s[h->end()] == '<' ? close.first(h->end() + 1) : tail(h->end());
            if (!m) return std::nullopt;
            return core::Match(s, {line_start, m->end(), b, m->start(), m->start(1), m->end(1)});
        },
        f);
}

// Block comments removed, with the offset in the original text of each kept piece.
struct Stripped {
    std::string text;
    std::vector<std::size_t> text_at, content_at;  // start of each kept piece in both

    std::size_t content_offset(std::size_t text_offset) const {
        auto it = std::upper_bound(text_at.begin(), text_at.end(), text_offset);
        std::size_t i = static_cast<std::size_t>(it - text_at.begin()) - 1;
        return content_at[i] + (text_offset - text_at[i]);
    }
};

Stripped strip_block_comments(std::string_view content) {
    Stripped out;
    std::size_t kept_from = 0;
    auto keep = [&](std::size_t end) {
        if (end <= kept_from) return;
        out.text_at.push_back(out.text.size());
        out.content_at.push_back(kept_from);
        out.text.append(content.substr(kept_from, end - kept_from));
    };
    table().for_each(JAVA_COMMENT, content, [&](const core::Match& m) {
        keep(m.start());
        kept_from = m.end();
        return true;
    });
    keep(content.size());
    if (out.text_at.empty()) {  // all comments (or empty): nothing can match
        out.text_at.push_back(0);
        out.content_at.push_back(0);
    }
    return out;
}

bool starts_lower_ascii(std::string_view name) { return !name.empty() && name.front() >= 'a' && name.front() <= 'z'; }

}  // namespace

std::vector<PatternSpec> java_cs_patterns() {
    return {
        {"java_comment", R"(/\*.*?\*/)", core::RE_DOTALL, java_comments_all},
        {"java_type", kJavaTypeText, core::RE_NONE, java_types_all},
        {"java_method",
         R"((?:public|private|protected)\s+(?:static\s+)?(?:final\s+)?(?:default\s+)?(?:synchronized\s+)?(?!class|if|for|while|return|new)(?:\w[\w<>\[\]]*|(?:\w+\s*<[^;{(]*?>))\s+([A-Za-z_]\w*)\s*\()",
         core::RE_NONE, java_methods_all},
        {"java_indented",
         R"(^\s+(?!public|private|protected|static|final|default|class|if|for|while|return|new|@)([A-Za-z]\w*(?:<[^;{]*?>)?(?:\[\])?)\s+([a-z]\w*)\s*\()",
         core::RE_MULTILINE, java_indented_all},
        {"cs_type",
         R"((?:public|internal|private|protected)\s+(?:(?:static|abstract|sealed|partial|new|override|virtual|extern|unsafe)\s+)*(?:class|interface|enum|struct|record)\s+([A-Za-z_]\w*))",
         core::RE_NONE},
        {"cs_method",
         R"((?:public|private|protected|internal)\s+(?:static\s+)?(?:async\s+)?(?:virtual\s+|override\s+)?(?!class\b|if\b|for\b|while\b|return\b|new\b)[\w<>\[\]?]+\s+([A-Za-z_]\w*)\s*\()",
         core::RE_NONE},
    };
}

Symbols extract_symbols_java(std::string_view content, std::string_view file_path) {
    const auto& t = table();
    bounded::SpanFrame frame(content, file_path, kSpan);
    const Stripped stripped = strip_block_comments(content);
    const std::string_view text = stripped.text;
    // The passes search `text`; a match's row is that of `content` at the same character.
    auto pass = [&](std::size_t i, const std::function<void(const core::Match&, std::int64_t)>& on_match) {
        graph_kit::RowCounter rows(content);
        t.for_each(i, text, [&](const core::Match& m) {
            on_match(m, rows.row(stripped.content_offset(m.start())));
            return true;
        });
    };
    pass(JAVA_TYPE, [&](const core::Match& m, std::int64_t row) {
        frame.add_sym(m.group(1), row, "model", bounded::within_window(text, m.start(), kTypeWindow, "public"));
    });
    pass(JAVA_METHOD, [&](const core::Match& m, std::int64_t row) {
        if (!starts_lower_ascii(m.group(1))) return;
        frame.add_sym(m.group(1), row, "use_case", bounded::within_window(text, m.start(), kMethodWindow, "public"));
    });
    pass(JAVA_INDENTED,
         [&](const core::Match& m, std::int64_t row) { frame.add_sym(m.group(2), row, "use_case", true); });
    return frame.take();
}

Symbols extract_symbols_cs(std::string_view content, std::string_view file_path) {
    const auto& t = table();
    bounded::SpanFrame frame(content, file_path, kSpan);
    t.for_each_row(CS_TYPE, content, [&](const core::Match& m, std::int64_t row) {
        frame.add_sym(m.group(1), row, "model", bounded::within_window(content, m.start(), kTypeWindow, "public"));
    });
    t.for_each_row(CS_METHOD, content, [&](const core::Match& m, std::int64_t row) {
        std::string_view name = m.group(1);
        for (std::string_view word : {"if", "for", "while", "return", "new", "class"})
            if (name == word) return;
        frame.add_sym(name, row, "use_case", bounded::within_window(content, m.start(), kMethodWindow, "public"));
    });
    return frame.take();
}

}  // namespace vorlane
