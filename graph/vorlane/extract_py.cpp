// Python symbols: the functions and classes defined in column 0, a function typed as an
// API route when a route decorator introduces a function of its name anywhere in the file.
#include <optional>
#include <unordered_set>

#include "graph/vorlane/extract_bounded.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"

namespace vorlane {

namespace {

enum : std::size_t { PY_ROUTE, PY_FUNCTION, PY_CLASS };

const bounded::CompiledTable& table() {
    static const bounded::CompiledTable t(py_patterns());
    return t;
}

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// A route decorator: its call up to "(", the arguments to the first ")", then the
// function it introduces, past at most one more decorator row.
constexpr std::string_view kRouteHead = R"re(@(?:app|router|blueprint)\.(?:get|post|put|delete|patch)\s*\()re";
constexpr std::string_view kRouteArgs = R"re([^)]*\))re";
constexpr std::string_view kRouteTail = R"re((?:\n[ \t]*@[^\n]*)?\n[ \t]*(?:async\s+)?def\s+([A-Za-z_]\w*)\s*\()re";
constexpr unsigned kRouteFlags = core::RE_IGNORECASE | core::RE_MULTILINE;

// Every match of the route pattern. The head has one way to match at an "@" and the
// arguments end at the first ")" after it, so the tail's outcome depends on that ")"
// alone: many decorators whose call never closes share one ")" far ahead, and the tail
// is tried once for it, not once per decorator.
void routes_all(std::string_view s, const MatchFn& f) {
    static const core::Regex head = bounded::attempt_regex(kRouteHead, kRouteFlags);
    static const core::Regex tail = bounded::attempt_regex(kRouteTail, kRouteFlags);
    bounded::NextOf close(s, ")");
    std::size_t tried_at = std::string_view::npos;
    std::optional<core::Match> tail_match;
    std::size_t pos = 0;
    for (std::size_t at; (at = s.find('@', pos)) != std::string_view::npos;) {
        const auto h = head.match(s, at);
        const std::size_t r = h ? close.from(h->end()) : std::string_view::npos;
        if (r != std::string_view::npos) {
            if (r != tried_at) {
                tried_at = r;
                tail_match = tail.match(s, r + 1);
            }
            if (tail_match) {
                if (!f(core::Match(s, {at, tail_match->end(), tail_match->start(1), tail_match->end(1)}))) return;
                pos = tail_match->end();
                continue;
            }
        }
        pos = at + 1;
    }
}

}  // namespace

std::vector<PatternSpec> py_patterns() {
    using core::RE_MULTILINE;
    return {
        {"py_route", bounded::Joined<kRouteHead, kRouteArgs, kRouteTail>::value, kRouteFlags, routes_all},
        {"py_function", R"re(^(?:async\s+)?def\s+([A-Za-z_]\w*)\s*\()re", RE_MULTILINE},
        {"py_class", R"re(^class\s+([A-Za-z_]\w*))re", RE_MULTILINE},
    };
}

Symbols extract_symbols_py(std::string_view content, std::string_view file_path) {
    const auto& t = table();
    graph_kit::SymbolFrame frame(content, file_path);
    std::unordered_set<std::string> route_names;
    t.for_each(PY_ROUTE, content, [&](const core::Match& m) {
        route_names.insert(std::string(m.group(1)));
        return true;
    });
    auto add_sym = [&](std::string_view name, std::int64_t line_no, std::string_view sym_type,
                       std::string_view confidence) {
        if (name.empty() || frame.seen(name)) return;
        frame.add(name, line_no, frame.block_end_py(line_no), sym_type, confidence, !starts_with(name, "_"));
    };
    {
        graph_kit::RowCounter rows(content);
        t.for_each(PY_FUNCTION, content, [&](const core::Match& m) {
            const std::string_view name = m.group(1);
            if (starts_with(name, "_") || starts_with(name, "test_")) return true;
            const bool route = route_names.count(std::string(name)) != 0;
            add_sym(name, rows.row(m.start()), route ? "api_route" : "use_case", "high");
            return true;
        });
    }
    {
        graph_kit::RowCounter rows(content);
        t.for_each(PY_CLASS, content, [&](const core::Match& m) {
            add_sym(m.group(1), rows.row(m.start()), "model", "high");
            return true;
        });
    }
    return frame.take();
}

}  // namespace vorlane
