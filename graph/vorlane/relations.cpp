// Relation edges of one file: fifteen pattern passes over its text, five for every file,
// nine limited to the languages of a suffix, and a last one for path-like tokens.
//
// Five of the patterns take time that grows with the square (or more) of some input on
// a backtracking search: white space after "import", blank rows under "^\s*", runs of
// token characters before a ".". Each of those has a routine here that yields exactly
// the pattern's matches in linear time; the table holds both.
#include "graph/vorlane/relations.hpp"

#include <algorithm>
#include <array>
#include <optional>

#include "core/paths.hpp"
#include "core/text.hpp"
#include "graph/vorlane/extract_bounded.hpp"
#include "graph/vorlane/patterns.hpp"

namespace vorlane {

namespace {

enum : std::size_t {
    QUOTED_IMPORT,
    IMPORT_FROM,
    REQUIRE_CALL,
    IMPORT_LINE,
    FROM_IMPORT_LINE,
    SWIFT_IMPORT,
    RUST_USE,
    RUST_MOD,
    JVM_IMPORT,
    CS_USING,
    XAML_CLASS,
    RUBY_REQUIRE,
    PHP_USE,
    C_INCLUDE,
    PATH_TOKEN,
};

constexpr std::size_t npos = std::string_view::npos;

using bounded::at;
using bounded::skip_space;

const bounded::CompiledTable& table() {
    static const bounded::CompiledTable t(relation_patterns());
    return t;
}

// Whether the code point that ends just before byte offset pos is white space.
bool space_before(std::string_view s, std::size_t pos) {
    if (pos == 0) return false;
    std::size_t start = pos - 1;
    while (start > 0 && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) --start;
    return core::is_space(core::next_cp(s, start));
}

core::Match one_group(std::string_view s, std::size_t start, std::size_t end, std::size_t g_start, std::size_t g_end) {
    return core::Match(s, {start, end, g_start, g_end});
}

// import\s+\(?\s*"([^"]+)"
// After the white space that follows "import" only one quote can open the name: the
// character right there, or the first one after "(" and more white space. The name runs
// to the next quote.
void find_quoted_import(std::string_view s, const MatchFn& f) {
    std::size_t pos = 0, i;
    while ((i = s.find("import", pos)) != npos) {
        const std::size_t after = i + 6, blanks_end = skip_space(s, after);
        std::size_t open = npos;
        if (blanks_end > after && blanks_end < s.size()) {
            if (s[blanks_end] == '"') {
                open = blanks_end;
            } else if (s[blanks_end] == '(') {
                const std::size_t q = skip_space(s, blanks_end + 1);
                if (q < s.size() && s[q] == '"') open = q;
            }
        }
        if (open != npos) {
            const std::size_t close = s.find('"', open + 1);
            if (close != npos && close > open + 1) {
                if (!f(one_group(s, i, close + 1, open + 1, close))) return;
                pos = close + 1;
                continue;
            }
        }
        pos = i + 1;
    }
}

// import\s+.*?\s+from\s+[\'"]([^\'"]+)[\'"]
//
// The tail after the lazy stretch, \s+from\s+['"]([^'"]+)['"], succeeds or fails by the
// offset of "from" alone (call it a complete "from": white space before it, white space,
// a quote, at least one character and a quote after it). The search takes the whole
// white space after "import" first and then widens the stretch along the row, so it
// accepts the first complete "from" after that white space whose own white space begins
// on that row; only then does it give back white space, which tries a "from" directly
// after the white space of "import" (when that white space is two characters or more).
class ImportFrom {
public:
    explicit ImportFrom(std::string_view s) : s_(s), line_feed_(s, "\n") {}

    void run(const MatchFn& f) {
        std::size_t pos = 0, i;
        while ((i = s_.find("import", pos)) != npos) {
            const std::size_t after = i + 6, blanks_end = skip_space(s_, after);
            std::optional<Tail> tail;
            if (blanks_end > after) {
                tail = on_row_after(blanks_end);
                if (!tail && core::cp_len(s_.substr(after, blanks_end - after)) >= 2) tail = complete(blanks_end);
            }
            if (tail) {
                if (!f(one_group(s_, i, tail->close + 1, tail->open + 1, tail->close))) return;
                pos = tail->close + 1;
            } else {
                pos = i + 1;
            }
        }
    }

private:
    struct Tail {
        std::size_t open, close;  // the two quotes
    };

    std::optional<Tail> complete(std::size_t from) const {
        if (!at(s_, from, "from") || !space_before(s_, from)) return std::nullopt;
        const std::size_t q = skip_space(s_, from + 4);
        if (q == from + 4 || q >= s_.size() || (s_[q] != '\'' && s_[q] != '"')) return std::nullopt;
        const std::size_t close = s_.find_first_of("'\"", q + 1);
        if (close == npos || close == q + 1) return std::nullopt;
        return Tail{q, close};
    }

    // The first complete "from" after `blanks_end` that the widened stretch reaches: on the
    // row of blanks_end, or right after the white space that starts at its line feed.
    std::optional<Tail> on_row_after(std::size_t blanks_end) {
        const std::size_t from = first_complete_after(blanks_end + 1);
        if (from == npos) return std::nullopt;
        const std::size_t lf = line_feed_.from(blanks_end);
        if (lf != npos && from > lf) {
            if (lf != lf_) {
                lf_ = lf;
                lf_blanks_end_ = skip_space(s_, lf);
            }
            if (from != lf_blanks_end_) return std::nullopt;
        }
        return found_tail_;
    }

    // The first complete "from" at or after pos. Every "from" in [asked_, found_) is known
    // not to be complete, so queries that never move backwards cost linear time in all.
    std::size_t first_complete_after(std::size_t pos) {
        if (asked_ <= pos && pos <= found_) return found_;
        asked_ = pos;
        found_tail_.reset();
        std::size_t from = pos;
        while ((from = s_.find("from", from)) != npos && !(found_tail_ = complete(from))) ++from;
        found_ = from;
        return found_;
    }

    std::string_view s_;
    bounded::NextOf line_feed_;
    std::size_t asked_ = 1, found_ = 0;
    std::optional<Tail> found_tail_;
    std::size_t lf_ = npos, lf_blanks_end_ = npos;
};

void find_import_from(std::string_view s, const MatchFn& f) { ImportFrom(s).run(f); }

// ^\s*WORD... in multi-line mode, WORD a keyword: a row start can match only where its
// leading white space is followed by WORD, so the pattern is tried only there (trying it
// everywhere costs the engine a look ahead for the keyword's letters at every row), and
// as an attempt_regex, which does not look through the rest of the text for a character
// the match needs before each try.
void find_word_led(std::size_t pattern, std::string_view word, std::string_view s, const MatchFn& f) {
    const core::Regex& re = table().attempt(pattern);
    bounded::scan_blank_led_rows(
        s, false,
        [&](std::size_t start, std::size_t blanks_end) -> std::optional<core::Match> {
            if (!at(s, blanks_end, word)) return std::nullopt;
            return re.match(s, start);
        },
        f);
}

void find_import_line(std::string_view s, const MatchFn& f) { find_word_led(IMPORT_LINE, "import", s, f); }

void find_from_import_line(std::string_view s, const MatchFn& f) { find_word_led(FROM_IMPORT_LINE, "from", s, f); }

// [A-Za-z0-9_\-\/] as a table: every byte of every file is classed.
constexpr std::array<bool, 256> kTokenChar = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '/';
    return t;
}();

bool is_token_char(char c) { return kTokenChar[static_cast<unsigned char>(c)]; }

constexpr std::array<std::string_view, 23> kTokenExtensions = {
    "go", "py", "tsx", "ts", "jsx", "json", "js",  "swift", "rs", "java", "scala", "kts",
    "cs", "rb", "php", "kt", "cpp", "c",    "hpp", "h",     "md", "yaml", "yml"};

// ([A-Za-z0-9_\-\/]+\.(go|py|...|yml)): from any start inside a run of token characters
// the greedy run ends at the same place, and only a "." there, followed by the first
// extension of the list that is written at that point, completes the match. A failed
// start fails for the rest of its run.
void find_path_tokens(std::string_view s, const MatchFn& f) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (!is_token_char(s[pos])) {
            ++pos;
            continue;
        }
        std::size_t run_end = pos;
        while (run_end < s.size() && is_token_char(s[run_end])) ++run_end;
        if (run_end < s.size() && s[run_end] == '.') {
            const std::size_t ext = run_end + 1;
            const auto hit = std::find_if(kTokenExtensions.begin(), kTokenExtensions.end(),
                                          [&](std::string_view e) { return at(s, ext, e); });
            if (hit != kTokenExtensions.end()) {
                const std::size_t end = ext + hit->size();
                if (!f(core::Match(s, {pos, end, pos, end, ext, end}))) return;
                pos = end;
                continue;
            }
        }
        pos = run_end;
    }
}

struct Pass {
    std::size_t pattern;
    const char* rel;
    std::vector<std::string_view> suffixes;  // empty: every file
    bool first_only = false;
};

const std::vector<Pass>& passes() {
    static const std::vector<Pass> p = {
        {QUOTED_IMPORT, "imports", {}},
        {IMPORT_FROM, "imports", {}},
        {REQUIRE_CALL, "requires", {}},
        {IMPORT_LINE, "imports", {}},
        {FROM_IMPORT_LINE, "imports", {}},
        {SWIFT_IMPORT, "imports", {".swift"}},
        {RUST_USE, "imports", {".rs"}},
        {RUST_MOD, "imports", {".rs"}},
        {JVM_IMPORT, "imports", {".java", ".kt", ".kts", ".scala"}},
        {CS_USING, "imports", {".cs"}},
        {XAML_CLASS, "references", {".xaml"}, true},
        {RUBY_REQUIRE, "requires", {".rb"}},
        {PHP_USE, "imports", {".php"}},
        {C_INCLUDE, "includes", {".c", ".cpp", ".h", ".hpp"}},
        {PATH_TOKEN, "references", {}},
    };
    return p;
}

}  // namespace

std::vector<PatternSpec> relation_patterns() {
    using core::RE_MULTILINE;
    using core::RE_NONE;
    return {
        {"rel_quoted_import", R"re(import\s+\(?\s*"([^"]+)")re", RE_NONE, find_quoted_import},
        {"rel_import_from", R"re(import\s+.*?\s+from\s+[\'"]([^\'"]+)[\'"])re", RE_NONE, find_import_from},
        {"rel_require_call", R"re(require\([\'"]([^\'"]+)[\'"]\))re", RE_NONE},
        {"rel_import_line", R"re(^\s*import\s+([a-zA-Z0-9_\.]+))re", RE_MULTILINE, find_import_line},
        {"rel_from_import_line", R"re(^\s*from\s+([a-zA-Z0-9_\.]+)\s+import\s+)re", RE_MULTILINE,
         find_from_import_line},
        {"rel_swift_import", R"re(^import\s+([A-Za-z_]\w*))re", RE_MULTILINE},
        {"rel_rust_use", R"re(^use\s+([\w:]+))re", RE_MULTILINE},
        {"rel_rust_mod", R"re(^mod\s+([A-Za-z_]\w*))re", RE_MULTILINE},
        {"rel_jvm_import", R"re(^import\s+([\w.]+))re", RE_MULTILINE},
        {"rel_cs_using", R"re(^using\s+([\w.]+))re", RE_MULTILINE},
        {"rel_xaml_class", R"re(x:Class="([\w.]+)")re", RE_NONE},
        {"rel_ruby_require", R"re((?:require|require_relative)\s+['\"]([^'\"]+)['\"])re", RE_NONE},
        {"rel_php_use", R"re(^use\s+([\w\\]+))re", RE_MULTILINE},
        {"rel_c_include", R"re(^#include\s+"([^"]+)")re", RE_MULTILINE},
        {"rel_path_token",
         R"re(([A-Za-z0-9_\-\/]+\.(go|py|tsx|ts|jsx|json|js|swift|rs|java|scala|kts|cs|rb|php|kt|cpp|c|hpp|h|md|yaml|yml)))re",
         RE_NONE, find_path_tokens},
    };
}

std::vector<core::Edge> relations_of(std::string_view file_id, std::string_view exact_suffix, std::string_view text) {
    const auto& t = table();
    std::vector<core::Edge> edges;
    for (const Pass& pass : passes()) {
        if (!pass.suffixes.empty() &&
            std::find(pass.suffixes.begin(), pass.suffixes.end(), exact_suffix) == pass.suffixes.end())
            continue;
        t.for_each(pass.pattern, text, [&](const core::Match& m) {
            const std::string_view to = m.group(1);
            if (pass.pattern != PATH_TOKEN || to.find('/') != npos)
                edges.push_back(core::Edge{std::string(file_id), std::string(to), pass.rel});
            return !pass.first_only;
        });
    }
    return edges;
}

std::vector<core::Edge> parse_relations(std::string_view path, std::string_view text, std::string_view root) {
    const std::string file_id = core::rel(path, root);
    return relations_of(file_id, core::paths::suffix(path), text);
}

}  // namespace vorlane
