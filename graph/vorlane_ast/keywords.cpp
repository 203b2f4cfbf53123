#include "graph/vorlane_ast/keywords.hpp"

#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/kit/keywords.hpp"
#include "graph/vorlane_ast/keyword_finders.hpp"

namespace vorlane_ast {

namespace {

using core::RE_IGNORECASE;
using core::RE_MULTILINE;
using core::RE_NONE;

constexpr std::string_view kRoute =
    R"re((?:app|router|r|mux|api)\s*[.\@]\s*(get|post|put|delete|patch|handle|handlefunc)\s*\(\s*['\"/]([^'\")\s]+))re";
constexpr std::string_view kSegmentClean = R"re([{}:<>])re";
constexpr std::string_view kTsExport =
    R"re(export\s+(?:default\s+)?(?:async\s+)?(?:function|class|const|type|interface|enum)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kTsExportList = R"re(export\s*\{([^}]+)\})re";
constexpr std::string_view kListSplit = R"re([,\s]+)re";
constexpr std::string_view kPyDefs = R"re(^(?:async\s+)?def\s+([A-Za-z_]\w*)|^class\s+([A-Za-z_]\w*))re";
constexpr std::string_view kGoFuncs = R"re(^func\s+(?:\([^)]+\)\s+)?([A-Za-z_]\w*)\s*\()re";
constexpr std::string_view kGoTypes = R"re(^type\s+([A-Za-z_]\w*)\s+(?:struct|interface))re";

bool is_js(std::string_view ext) { return ext == ".ts" || ext == ".tsx" || ext == ".js" || ext == ".jsx"; }

using graph_kit::Keywords;

// Group 1, else group 2.
std::string_view either_group(const core::Match& m) { return m.has(1) ? m.group(1) : m.group(2); }

void routes(Keywords& kw, std::string_view content) {
    static const core::Regex route(kRoute, RE_IGNORECASE);
    static const core::Regex clean(kSegmentClean, RE_NONE);
    route.for_each(content, [&](const core::Match& m) {
        kw.add_route(m, clean);
        return true;
    });
}

void js_exports(Keywords& kw, std::string_view content) {
    static const core::Regex exports(kTsExport, RE_NONE);
    static const core::Regex split(kListSplit, RE_NONE);
    exports.for_each(content, [&](const core::Match& m) {
        kw.add_name(m.group(1));
        return true;
    });
    finders::export_lists(content, [&](const core::Match& m) {
        for (const auto& piece : split.split(m.group(1))) {
            const std::string_view name = core::strip(*piece);
            if (!name.empty()) kw.add_name(name);
        }
        return true;
    });
}

void py_defs(Keywords& kw, std::string_view content) {
    static const core::Regex defs(kPyDefs, RE_MULTILINE);
    defs.for_each(content, [&](const core::Match& m) {
        const std::string_view name = either_group(m);
        if (name.empty() || name.starts_with("_")) return true;
        kw.add_name(name);
        for (std::string_view piece : core::split_sep(name, "_")) kw.add(piece);
        return true;
    });
}

void go_decls(Keywords& kw, std::string_view content) {
    static const core::Regex types(kGoTypes, RE_MULTILINE);
    auto take = [&](const core::Match& m) {
        kw.add_name(m.group(1));
        return true;
    };
    finders::go_funcs(content, take);
    types.for_each(content, take);
}

}  // namespace

std::vector<graph_kit::PatternSpec> keyword_patterns() {
    return {
        {"ast.keywords.route", kRoute, RE_IGNORECASE},
        {"ast.keywords.segment_clean", kSegmentClean, RE_NONE},
        {"ast.keywords.ts_export", kTsExport, RE_NONE},
        {"ast.keywords.ts_export_list", kTsExportList, RE_NONE, &finders::export_lists},
        {"ast.keywords.list_split", kListSplit, RE_NONE},
        {"ast.keywords.py_defs", kPyDefs, RE_MULTILINE},
        {"ast.keywords.go_funcs", kGoFuncs, RE_MULTILINE, &finders::go_funcs},
        {"ast.keywords.go_types", kGoTypes, RE_MULTILINE},
    };
}

std::vector<std::string> extract_keywords(std::string_view content, std::string_view ext) {
    Keywords kw;
    routes(kw, content);
    if (is_js(ext)) js_exports(kw, content);
    if (ext == ".py") py_defs(kw, content);
    if (ext == ".go") go_decls(kw, content);
    return kw.take();
}

}  // namespace vorlane_ast
