// TypeScript and JavaScript symbols: six passes over declarations that begin at the first
// character of a row, each record's block ending where its braces close.
#include "graph/vorlane/extract_bounded.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"

namespace vorlane {

namespace {

enum : std::size_t { TS_ROUTE, TS_FUNCTION, TS_FUNCTION_CONST, TS_TYPE, TS_CLASS, TS_SCHEMA };

const bounded::CompiledTable& table() {
    static const bounded::CompiledTable t(ts_patterns());
    return t;
}

constexpr std::size_t npos = std::string_view::npos;

// An exported constant bound to a function: the declaration up to its value, then the value.
constexpr std::string_view kConstHead = R"re(^export\s+(?:const|let)\s+([A-Za-z_]\w*)\s*=\s*)re";
constexpr std::string_view kConstValue = R"re((?:async\s+)?(?:function|\([^)]*\)\s*=>|\w+\s*=>))re";
constexpr std::string_view kWordArrow = R"re(\w+\s*=>)re";

// Every match of kConstHead + kConstValue. The head has one way to match at a row start
// and ends at the value. A parameter list runs to the first ")" after its "(", wherever
// that is, so many rows that open a list and never close it would each read on to the end
// of the text: the next ")" and the blanks after it are looked up once for all of them.
void function_consts_all(std::string_view s, const MatchFn& f) {
    static const core::Regex head = bounded::attempt_regex(kConstHead, core::RE_MULTILINE);
    static const core::Regex word_arrow = bounded::attempt_regex(kWordArrow, core::RE_NONE);
    bounded::NextOf close(s, ")");
    std::size_t blanks_from = npos, blanks_to = 0;
    // The end of a value without "async" that begins at q, or npos.
    auto value_end = [&](std::size_t q) -> std::size_t {
        if (bounded::at(s, q, "function")) return q + 8;
        if (q < s.size() && s[q] == '(') {
            const std::size_t r = close.from(q + 1);
            if (r == npos) return npos;
            if (r + 1 != blanks_from) {
                blanks_from = r + 1;
                blanks_to = bounded::skip_space(s, r + 1);
            }
            return bounded::at(s, blanks_to, "=>") ? blanks_to + 2 : npos;
        }
        const auto m = word_arrow.match(s, q);
        return m ? m->end() : npos;
    };
    std::size_t pos = 0;
    while ((pos = bounded::next_row_start(s, pos)) != npos) {
        const auto h = bounded::at(s, pos, "export") ? head.match(s, pos) : std::nullopt;
        if (h) {
            const std::size_t p = h->end();
            std::size_t end = npos;
            // "async" and blanks first; failing that, "async" may itself be the one parameter.
            if (bounded::at(s, p, "async")) {
                const std::size_t q = bounded::skip_space(s, p + 5);
                if (q > p + 5) end = value_end(q);
            }
            if (end == npos) end = value_end(p);
            if (end != npos) {
                if (!f(core::Match(s, {pos, end, h->start(1), h->end(1)}))) return;
                pos = end;
                continue;
            }
        }
        ++pos;
    }
}

}  // namespace

std::vector<PatternSpec> ts_patterns() {
    using core::RE_MULTILINE;
    return {
        {"ts_route", R"re(^export\s+(?:async\s+)?function\s+(GET|POST|PUT|PATCH|DELETE|HEAD|OPTIONS)\s*[\(<])re",
         RE_MULTILINE},
        {"ts_function", R"re(^(export\s+)?(default\s+)?(async\s+)?function\s+([A-Za-z_]\w*)\s*[\(<])re", RE_MULTILINE},
        {"ts_function_const", bounded::Joined<kConstHead, kConstValue>::value, RE_MULTILINE, function_consts_all},
        {"ts_type", R"re(^(export\s+)?(?:interface|type)\s+([A-Za-z_]\w*)\s*[={<])re", RE_MULTILINE},
        {"ts_class", R"re(^(export\s+)?(?:default\s+)?class\s+([A-Za-z_]\w*))re", RE_MULTILINE},
        {"ts_schema", R"re(^(?:export\s+)?const\s+([A-Za-z_]\w*[Ss]chema)\s*=\s*z\.)re", RE_MULTILINE},
    };
}

Symbols extract_symbols_ts(std::string_view content, std::string_view file_path) {
    const auto& t = table();
    graph_kit::SymbolFrame frame(content, file_path);
    auto add_sym = [&](std::string_view name, std::int64_t line_no, std::string_view sym_type,
                       std::string_view confidence, bool exported) {
        if (name.empty() || frame.seen(name)) return;
        frame.add(name, line_no, frame.block_end_ts(line_no), sym_type, confidence, exported);
    };
    // Every pass reads the whole text; `on_match` gets each match and its row.
    auto pass = [&](std::size_t pattern, const auto& on_match) {
        graph_kit::RowCounter rows(content);
        t.for_each(pattern, content, [&](const core::Match& m) {
            on_match(m, rows.row(m.start()));
            return true;
        });
    };
    pass(TS_ROUTE,
         [&](const core::Match& m, std::int64_t row) { add_sym(m.group(1), row, "api_route", "high", true); });
    pass(TS_FUNCTION, [&](const core::Match& m, std::int64_t row) {
        const bool exported = m.has(1);
        const auto [sym_type, confidence] = graph_kit::classify_ts(m.group(4), exported);
        if (sym_type != "api_route") add_sym(m.group(4), row, sym_type, confidence, exported);
    });
    pass(TS_FUNCTION_CONST, [&](const core::Match& m, std::int64_t row) {
        const auto [sym_type, confidence] = graph_kit::classify_ts(m.group(1), true);
        add_sym(m.group(1), row, sym_type, confidence, true);
    });
    pass(TS_TYPE, [&](const core::Match& m, std::int64_t row) { add_sym(m.group(2), row, "model", "high", m.has(1)); });
    pass(TS_CLASS,
         [&](const core::Match& m, std::int64_t row) { add_sym(m.group(2), row, "model", "high", m.has(1)); });
    pass(TS_SCHEMA, [&](const core::Match& m, std::int64_t row) { add_sym(m.group(1), row, "model", "high", true); });
    return frame.take();
}

}  // namespace vorlane
