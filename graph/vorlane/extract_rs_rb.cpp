// Rust and Ruby symbols: a definition pass, then a type pass, each record spanning a fixed
// number of rows below its start.
#include "graph/vorlane/extract_bounded.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"

namespace vorlane {
namespace {

enum : std::size_t { RS_FN, RS_TYPE, RB_DEF, RB_TYPE };

constexpr std::int64_t kRustSpan = 50;
constexpr std::int64_t kRubySpan = 40;

const bounded::CompiledTable& table() {
    static const bounded::CompiledTable t(rs_rb_patterns());
    return t;
}

// Both Ruby patterns begin with "^\s*": a row start inside a run of blank rows would
// otherwise rescan the whole run.
void rb_def_all(std::string_view s, const MatchFn& f) { bounded::find_blank_led(table().attempt(RB_DEF), false, s, f); }
void rb_type_all(std::string_view s, const MatchFn& f) {
    bounded::find_blank_led(table().attempt(RB_TYPE), false, s, f);
}

}  // namespace

std::vector<PatternSpec> rs_rb_patterns() {
    return {
        {"rs_fn", R"(^pub(?:\s*\([^)]*\))?\s+(?:async\s+)?fn\s+([A-Za-z_]\w*))", core::RE_MULTILINE},
        {"rs_type", R"(^(?P<pub>pub\s+)?(?:struct|enum|trait)\s+([A-Za-z_]\w*))", core::RE_MULTILINE},
        {"rb_def", R"(^\s*def\s+([A-Za-z_]\w*))", core::RE_MULTILINE, rb_def_all},
        {"rb_type", R"(^\s*(?:class|module)\s+([A-Za-z_]\w*))", core::RE_MULTILINE, rb_type_all},
    };
}

Symbols extract_symbols_rs(std::string_view content, std::string_view file_path) {
    const auto& t = table();
    bounded::SpanFrame frame(content, file_path, kRustSpan);
    t.for_each_row(RS_FN, content,
                   [&](const core::Match& m, std::int64_t row) { frame.add_sym(m.group(1), row, "use_case", true); });
    static const int pub_group = t.re(RS_TYPE).group_index("pub");
    t.for_each_row(RS_TYPE, content, [&](const core::Match& m, std::int64_t row) {
        frame.add_sym(m.group(2), row, "model", m.has(pub_group));
    });
    return frame.take();
}

Symbols extract_symbols_rb(std::string_view content, std::string_view file_path) {
    const auto& t = table();
    bounded::SpanFrame frame(content, file_path, kRubySpan);
    for (auto [pass, sym_type] : {std::pair{RB_DEF, "use_case"}, std::pair{RB_TYPE, "model"}}) {
        t.for_each_row(pass, content, [&, sym_type = sym_type](const core::Match& m, std::int64_t row) {
            std::string_view name = m.group(1);
            if (!name.empty() && name.front() == '_') return;  // refused, and not remembered
            frame.add_sym(name, row, sym_type, true);
        });
    }
    return frame.take();
}

}  // namespace vorlane
