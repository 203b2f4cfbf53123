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

}  // namespace

std::vector<PatternSpec> ts_patterns() {
    using core::RE_MULTILINE;
    return {
        {"ts_route", R"re(^export\s+(?:async\s+)?function\s+(GET|POST|PUT|PATCH|DELETE|HEAD|OPTIONS)\s*[\(<])re",
         RE_MULTILINE},
        {"ts_function", R"re(^(export\s+)?(default\s+)?(async\s+)?function\s+([A-Za-z_]\w*)\s*[\(<])re", RE_MULTILINE},
        {"ts_function_const",
         R"re(^export\s+(?:const|let)\s+([A-Za-z_]\w*)\s*=\s*(?:async\s+)?(?:function|\([^)]*\)\s*=>|\w+\s*=>))re",
         RE_MULTILINE},
        {"ts_type", R"re(^(export\s+)?(?:interface|type)\s+([A-Za-z_]\w*)\s*[={<])re", RE_MULTILINE},
        {"ts_class", R"re(^(export\s+)?(?:default\s+)?class\s+([A-Za-z_]\w*))re", RE_MULTILINE},
        {"ts_schema", R"re(^(?:export\s+)?const\s+([A-Za-z_]\w*[Ss]chema)\s*=\s*z\.)re", RE_MULTILINE},
    };
}

Symbols extract_symbols_ts(std::string_view content, std::string_view file_path) {
    const auto& t = table();
    SymbolFrame frame(content, file_path);
    auto add_sym = [&](std::string_view name, std::int64_t line_no, std::string_view sym_type,
                       std::string_view confidence, bool exported) {
        if (name.empty() || frame.seen(name)) return;
        frame.add(name, line_no, find_block_end_ts(frame.lines(), line_no), sym_type, confidence, exported);
    };
    // Every pass reads the whole text; `on_match` gets each match and its row.
    auto pass = [&](std::size_t pattern, const auto& on_match) {
        RowCounter rows(content);
        t.for_each(pattern, content, [&](const core::Match& m) {
            on_match(m, rows.row(m.start()));
            return true;
        });
    };
    pass(TS_ROUTE, [&](const core::Match& m, std::int64_t row) { add_sym(m.group(1), row, "api_route", "high", true); });
    pass(TS_FUNCTION, [&](const core::Match& m, std::int64_t row) {
        const bool exported = m.has(1);
        const auto [sym_type, confidence] = classify_ts(m.group(4), exported);
        if (sym_type != "api_route") add_sym(m.group(4), row, sym_type, confidence, exported);
    });
    pass(TS_FUNCTION_CONST, [&](const core::Match& m, std::int64_t row) {
        const auto [sym_type, confidence] = classify_ts(m.group(1), true);
        add_sym(m.group(1), row, sym_type, confidence, true);
    });
    pass(TS_TYPE, [&](const core::Match& m, std::int64_t row) { add_sym(m.group(2), row, "model", "high", m.has(1)); });
    pass(TS_CLASS, [&](const core::Match& m, std::int64_t row) { add_sym(m.group(2), row, "model", "high", m.has(1)); });
    pass(TS_SCHEMA, [&](const core::Match& m, std::int64_t row) { add_sym(m.group(1), row, "model", "high", true); });
    return frame.take();
}

}  // namespace vorlane
