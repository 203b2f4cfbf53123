// The keywords of a file: route methods and path pieces, declared names by extension,
// the words of an opening doc comment and the pieces of the URLs it calls.
#include "graph/vorlane/keywords.hpp"

#include <algorithm>
#include <iterator>

#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/kit/keywords.hpp"
#include "graph/vorlane/extract_bounded.hpp"
#include "graph/vorlane/patterns.hpp"
#include "graph/vorlane/summary_keywords_finders.hpp"

namespace vorlane {

namespace {

using core::RE_IGNORECASE;
using core::RE_MULTILINE;
using core::RE_NONE;
using finders::first_group;
using finders::is_one_of;

constexpr std::string_view kRouteCall =
    R"re((?:app|router|r|mux|api)\s*[.\@]\s*(get|post|put|delete|patch|handle|handlefunc)\s*\(\s*['"/]([^'")\s]+))re";
constexpr std::string_view kSegmentClean = R"re([{}:<>])re";
constexpr std::string_view kRouteDecorator = R"re(@\w+\.(get|post|put|delete|patch)\s*\(\s*[\'"]([^\'"]+)[\'"])re";
constexpr std::string_view kTsExport =
    R"re(export\s+(?:default\s+)?(?:async\s+)?(?:function|class|const|type|interface|enum)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kTsExportList = R"re(export\s*\{([^}]+)\})re";
constexpr std::string_view kTsListSplit = R"re([,\s]+)re";
constexpr std::string_view kPy = R"re(^(?:async\s+)?def\s+([A-Za-z_]\w*)|^class\s+([A-Za-z_]\w*))re";
constexpr std::string_view kGo = R"re(^func\s+(?:\([^)]+\)\s+)?([A-Z]\w*))re";
constexpr std::string_view kSwiftType =
    R"re(^(?:public\s+|private\s+|internal\s+|open\s+|final\s+)*(?:class|struct|enum|protocol|actor|extension)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kSwiftFunc =
    R"re(^(?:\s*)(?:public\s+|private\s+|internal\s+|open\s+|static\s+|class\s+|mutating\s+|override\s+)*func\s+([A-Za-z_]\w*))re";
constexpr std::string_view kRsFn = R"re(^(?:pub(?:\s*\([^)]*\))?\s+)?fn\s+([A-Za-z_]\w*))re";
constexpr std::string_view kRsType = R"re(^(?:pub\s+)?(?:struct|enum|trait|impl(?:\s+\w+\s+for)?)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kJavaType =
    R"re((?:public|private|protected|static|final|\s)+(?:class|interface|enum|record)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kJavaMethod =
    R"re((?:public|private|protected|static|final|\s)+(?!class|if|for|while|return)\w[\w<>\[\]]*\s+([A-Za-z_]\w*)\s*\()re";
constexpr std::string_view kKotlin =
    R"re(^(?:(?:public|private|internal|protected|open|data|sealed|abstract)\s+)*(?:class|object|interface|fun)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kCsType =
    R"re((?:public|private|protected|internal)\s+(?:(?:static|abstract|sealed|partial|new|override|virtual|extern|unsafe)\s+)*(?:class|interface|enum|struct|record)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kCsMethod =
    R"re((?:public|private|protected|internal)\s+(?:static\s+)?(?:async\s+)?(?:virtual\s+|override\s+)?(?!class|if|for|while|return)[\w<>\[\]?]+\s+([A-Za-z_]\w*)\s*\()re";
constexpr std::string_view kXamlClass = R"re(x:Class="[\w.]*\.([A-Za-z_]\w*)")re";
constexpr std::string_view kXamlName = R"re(x:Name="([A-Za-z_]\w*)")re";
constexpr std::string_view kXamlTag = R"re(<([A-Za-z][A-Za-z0-9]*)[\s>])re";
constexpr std::string_view kRb = R"re(^\s*(?:def\s+([A-Za-z_]\w*)|class\s+([A-Za-z_]\w*)|module\s+([A-Za-z_]\w*)))re";
constexpr std::string_view kPhp =
    R"re((?:function\s+([A-Za-z_]\w*)|class\s+([A-Za-z_]\w*)|interface\s+([A-Za-z_]\w*)|trait\s+([A-Za-z_]\w*)))re";
constexpr std::string_view kCFunc = R"re(^[\w:*&<>\s]+?\s+([A-Za-z_]\w*)\s*\([^;]*$)re";
constexpr std::string_view kCType = R"re(^(?:class|struct|enum|namespace|union)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kDocString = R"re(\s*"""([^"]{10,200}))re";
constexpr std::string_view kBlockComment = R"re(\s*/\*\*?\s*([^\n*]{10,200}))re";
constexpr std::string_view kAlpha4 = R"re([a-zA-Z]{4,})re";
constexpr std::string_view kHttpCall =
    R"re((?:fetch|axios\.(?:get|post|put|delete)|requests\.(?:get|post|put|delete))\s*\(\s*[`'"](https?://[^`'"]+|/[^`'"]+)[`'"])re";
constexpr std::string_view kUrlClean = R"re([{}?=&<>])re";

// The table the keywords run from, in one order with its names below: each entry's
// matches come from the table (its bounded routine when it has one), so the
// differential test sees exactly what runs.
enum Entry : std::size_t {
    ROUTE_CALL,
    SEGMENT_CLEAN,
    ROUTE_DECORATOR,
    TS_EXPORT,
    TS_EXPORT_LIST,
    TS_LIST_SPLIT,
    PY,
    GO,
    SWIFT_TYPE,
    SWIFT_FUNC,
    RS_FN,
    RS_TYPE,
    JAVA_TYPE,
    JAVA_METHOD,
    KOTLIN,
    CS_TYPE,
    CS_METHOD,
    XAML_CLASS,
    XAML_NAME,
    XAML_TAG,
    RB,
    PHP,
    C_FUNC,
    C_TYPE,
    DOC_STRING,
    BLOCK_COMMENT,
    ALPHA4,
    HTTP_CALL,
    URL_CLEAN,
    ENTRY_COUNT
};

constexpr PatternSpec kTable[] = {
    {"keywords.route_call", kRouteCall, RE_IGNORECASE},
    {"keywords.segment_clean", kSegmentClean, RE_NONE},
    {"keywords.route_decorator", kRouteDecorator, RE_IGNORECASE},
    {"keywords.ts_export", kTsExport, RE_NONE},
    {"keywords.ts_export_list", kTsExportList, RE_NONE},
    {"keywords.ts_list_split", kTsListSplit, RE_NONE},
    {"keywords.py", kPy, RE_MULTILINE},
    {"keywords.go", kGo, RE_MULTILINE, &finders::go_funcs},
    {"keywords.swift_type", kSwiftType, RE_MULTILINE, &finders::swift_types},
    {"keywords.swift_func", kSwiftFunc, RE_MULTILINE, &finders::swift_funcs},
    {"keywords.rs_fn", kRsFn, RE_MULTILINE, &finders::rust_fns},
    {"keywords.rs_type", kRsType, RE_MULTILINE},
    {"keywords.java_type", kJavaType, RE_NONE, &finders::java_types},
    {"keywords.java_method", kJavaMethod, RE_NONE, &finders::java_methods},
    {"keywords.kotlin", kKotlin, RE_MULTILINE, &finders::kotlin_decls},
    {"keywords.cs_type", kCsType, RE_NONE},
    {"keywords.cs_method", kCsMethod, RE_NONE},
    {"keywords.xaml_class", kXamlClass, RE_NONE},
    {"keywords.xaml_name", kXamlName, RE_NONE},
    {"keywords.xaml_tag", kXamlTag, RE_NONE},
    {"keywords.rb", kRb, RE_MULTILINE, &finders::ruby_names},
    {"keywords.php", kPhp, RE_NONE},
    {"keywords.c_func", kCFunc, RE_MULTILINE, &finders::c_open_calls},
    {"keywords.c_type", kCType, RE_MULTILINE},
    {"keywords.doc_string", kDocString, RE_NONE},
    {"keywords.block_comment", kBlockComment, RE_NONE},
    {"keywords.alpha4", kAlpha4, RE_NONE},
    {"keywords.http_call", kHttpCall, RE_IGNORECASE},
    {"keywords.url_clean", kUrlClean, RE_NONE},
};
static_assert(std::size(kTable) == ENTRY_COUNT, "one name per table entry");

const bounded::CompiledTable& table() {
    static const bounded::CompiledTable t(std::vector<PatternSpec>(std::begin(kTable), std::end(kTable)));
    return t;
}

void each(Entry e, std::string_view subject, const MatchFn& f) { table().for_each(e, subject, f); }

using graph_kit::Keywords;

void declared_names(Keywords& kw, std::string_view content, std::string_view ext) {
    auto to_name = [&](const core::Match& m) {
        kw.add_name(first_group(m));
        return true;
    };
    if (is_one_of(ext, {".ts", ".tsx", ".js", ".jsx"})) {
        each(TS_EXPORT, content, to_name);
        each(TS_EXPORT_LIST, content, [&](const core::Match& m) {
            for (const auto& piece : table().re(TS_LIST_SPLIT).split(m.group(1))) {
                if (!piece) continue;
                const std::string_view name = core::strip(*piece);
                if (!name.empty()) kw.add_name(name);
            }
            return true;
        });
    }
    if (ext == ".py") {
        each(PY, content, [&](const core::Match& m) {
            std::string_view name = first_group(m);
            if (name.starts_with("_")) return true;
            kw.add_name(name);
            for (auto piece : core::split_sep(name, "_")) kw.add(piece);
            return true;
        });
    }
    if (ext == ".go") {
        each(GO, content, to_name);
    }
    if (ext == ".swift") {
        each(SWIFT_TYPE, content, to_name);
        each(SWIFT_FUNC, content, to_name);
    }
    if (ext == ".rs") {
        each(RS_FN, content, to_name);
        each(RS_TYPE, content, to_name);
    }
    if (ext == ".java" || ext == ".kt") {
        each(JAVA_TYPE, content, to_name);
        each(JAVA_METHOD, content, to_name);
    }
    if (ext == ".kt") {
        each(KOTLIN, content, to_name);
    }
    if (ext == ".cs") {
        each(CS_TYPE, content, to_name);
        each(CS_METHOD, content, to_name);
    }
    if (ext == ".xaml") {
        each(XAML_CLASS, content, to_name);
        each(XAML_NAME, content, to_name);
        each(XAML_TAG, content, [&](const core::Match& m) {
            kw.add(m.group(1));
            return true;
        });
    }
    if (ext == ".rb") each(RB, content, to_name);
    if (ext == ".php") each(PHP, content, to_name);
    if (is_one_of(ext, {".c", ".cpp", ".h", ".hpp"})) {
        each(C_FUNC, content, [&](const core::Match& m) {
            std::string_view name = m.group(1);
            if (!is_one_of(name, {"if", "for", "while", "switch", "return", "sizeof", "catch"})) kw.add_name(name);
            return true;
        });
        each(C_TYPE, content, to_name);
    }
}

// The runs of four or more ASCII letters of an opening comment.
void leading_words(Keywords& kw, std::string_view content, Entry opener) {
    if (auto m = table().re(opener).match(content)) {
        each(ALPHA4, m->group(1), [&](const core::Match& w) {
            kw.add(w.group());
            return true;
        });
    }
}

void url_pieces(Keywords& kw, std::string_view content) {
    const core::Regex& clean = table().re(URL_CLEAN);
    each(HTTP_CALL, content, [&](const core::Match& m) {
        const std::string url = core::replace(core::replace(m.group(1), "http://", ""), "https://", "");
        for (auto seg : core::split_sep(core::strip_chars(url, "/"), "/")) {
            const std::string rest = clean.sub("", seg);
            const std::string_view head = std::string_view(rest).substr(0, rest.find('.'));
            if (core::cp_len(head) >= 3) kw.add(head);
        }
        return true;
    });
}

}  // namespace

std::vector<PatternSpec> keyword_patterns() { return {std::begin(kTable), std::end(kTable)}; }

std::vector<std::string> extract_keywords(std::string_view content, std::string_view ext) {
    Keywords kw;
    auto route = [&](const core::Match& m) {
        kw.add_route(m, table().re(SEGMENT_CLEAN));
        return true;
    };
    each(ROUTE_CALL, content, route);
    each(ROUTE_DECORATOR, content, route);
    declared_names(kw, content, ext);
    leading_words(kw, content, DOC_STRING);
    leading_words(kw, content, BLOCK_COMMENT);
    url_pieces(kw, content);
    return kw.take();
}

}  // namespace vorlane
