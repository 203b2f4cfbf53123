#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/records.hpp"
#include "core/text.hpp"
#include "graph/vorlane_ast/extractors.hpp"
#include "graph/vorlane_ast/visitors.hpp"
#include "tests/graph/vorlane_ast/ast_support.hpp"
#include "tests/graph/vorlane_ast/pipeline_oracle.hpp"

namespace {

using ast_support::render;
using V = std::vector<std::string>;

struct Case {
    const char* label;
    const char* ext;
    std::string text;
    V expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

class TsSymbols : public testing::TestWithParam<Case> {};

TEST_P(TsSymbols, Records) {
    const Case& c = GetParam();
    const auto syms = vorlane_ast::extract_symbols_ts_ast(ast_support::all_languages(), c.text, "f", c.ext);
    EXPECT_EQ(render(syms), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TsSymbols,
    testing::Values(
        Case{"exported async arrow",
             ".ts",
             "export const handler = async (req) => {\n  return 1;\n};\n",
             {"handler use_case/high/exported 0-2"}},
        Case{"declarators of one statement share its rows",
             ".ts",
             "const a = () => 1,\n  b = 2,\n  c = x => x;\n",
             {"a utility/medium 0-2", "c utility/medium 0-2"}},
        Case{"capitalised exported arrow",
             ".tsx",
             "export const App = () => <div/>;\n",
             {"App use_case/medium/exported 0-0"}},
        Case{"var and function expressions give nothing", ".ts", "var f = () => 1;\nconst g = function () {};\n", {}},
        Case{"names kept whatever their prefix, classified",
             ".ts",
             "function _internal() {}\nfunction useAuth() {}\nexport function GET() {}\nexport function Widget() {}\n"
             "function formatDate() {}\n",
             {"_internal utility/medium 0-0", "useAuth hook/high 1-1", "GET api_route/high/exported 2-2",
              "Widget use_case/medium/exported 3-3", "formatDate utility/medium 4-4"}},
        Case{"models and their export",
             ".ts",
             "export class Page {}\nclass Store {}\ntype Props = {};\ninterface State {}\nenum Color { Red }\n",
             {"Page model/high/exported 0-0", "Store model/high 1-1", "Props model/high 2-2", "State model/high 3-3",
              "Color model/high 4-4"}},
        Case{"methods: private skipped, computed kept, first name wins across kinds",
             ".ts",
             "class A {\n  constructor() {}\n  render() {}\n  #secret() {}\n  [Symbol.iterator]() {}\n}\n"
             "class B {\n  constructor() {}\n  render() {}\n}\nfunction A() {}\n",
             {"A model/high 0-5", "constructor use_case/medium 1-1", "render use_case/medium 2-2",
              "[Symbol.iterator] use_case/medium 4-4", "B model/high 6-9"}},
        Case{"nested functions after the outer one; default export counts as exported",
             ".js",
             "export default function outer() {\n  function inner() {}\n}\n",
             {"outer use_case/high/exported 0-2", "inner utility/medium 1-1"}},
        Case{"JSX through the JavaScript grammar",
             ".jsx",
             "export function Card() {\n  return <div className=\"c\">{x}</div>;\n}\n",
             {"Card use_case/medium/exported 0-2"}},
        Case{"generator and declarations inside error recovery",
             ".ts",
             "function* gen() {}\n)))\nclass Broken { m() {} }\n",
             {"gen utility/medium 0-0", "Broken model/high 2-2", "m use_case/medium 2-2"}},
        Case{"a carriage return alone does not start a parser row",
             ".ts",
             "function a() {}\rfunction b() {}\r",
             {"a utility/medium 0-0", "b utility/medium 0-0"}},
        Case{"empty file", ".ts", "", {}}));

TEST(TsSymbols, GrammarFollowsExtension) {
    const auto langs = ast_support::all_languages();
    // Type annotations parse only with the TypeScript dialects; JSX only with TSX or
    // JavaScript. A misparse still yields the declarations it recognises, so look at the
    // model symbols that only the right grammar gives.
    const std::string ts = "interface I { a: number }\n";
    EXPECT_EQ(render(vorlane_ast::extract_symbols_ts_ast(langs, ts, "f", ".ts")), V{"I model/high 0-0"});
    EXPECT_EQ(render(vorlane_ast::extract_symbols_ts_ast(langs, ts, "f", ".weird")), V{"I model/high 0-0"});
    EXPECT_EQ(render(vorlane_ast::extract_symbols_ts_ast(langs, ts, "f", ".js")), V{});
    EXPECT_EQ(vorlane_ast::ts_language_for(langs, ".tsx"), langs.tsx);
    EXPECT_EQ(vorlane_ast::ts_language_for(langs, ".jsx"), langs.js);
    EXPECT_EQ(vorlane_ast::ts_language_for(langs, ".TSX"), langs.ts);
}

TEST(TsSymbols, BodyHashReadsHostLinesWhileRowsCountLineFeeds) {
    // A form feed ends a host line but not a parser row: the hash of the symbol below it
    // covers the line above.
    const std::string text = "const x = 1;\f\nfunction f() {}\n";
    const auto syms = vorlane_ast::extract_symbols_ts_ast(ast_support::all_languages(), text, "f.ts", ".ts");
    ASSERT_EQ(syms.size(), 1u);
    EXPECT_EQ(syms[0].line_start, 1);
    const auto lines = core::splitlines(text);
    EXPECT_EQ(syms[0].body_hash, core::body_hash(lines, 1, 1));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(syms[0].id, "f.ts::f");
}

TEST(TsSymbols, NothingWithoutSyntaxTrees) {
    vorlane_ast::Languages none;
    EXPECT_TRUE(vorlane_ast::extract_symbols_ts_ast(none, "function f() {}", "f", ".ts").empty());
    EXPECT_TRUE(vorlane_ast::extract_symbols_py_ast(none, "def f(): pass", "f").empty());
    EXPECT_TRUE(vorlane_ast::extract_symbols_go_ast(none, "package m\nfunc F() {}", "f").empty());
}

class PySymbols : public testing::TestWithParam<Case> {};

TEST_P(PySymbols, Records) {
    const Case& c = GetParam();
    const auto syms = vorlane_ast::extract_symbols_py_ast(ast_support::all_languages(), c.text, "f");
    EXPECT_EQ(render(syms), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PySymbols,
    testing::Values(
        Case{"route decorator on the row above",
             ".py",
             "import x\n\n\n\n@app.get(\"/items\")\ndef list_items():\n    a = 1\n    return a\n",
             {"list_items api_route/high/exported 4-7"}},
        Case{"case-insensitive decorator; other objects and methods do not count",
             ".py",
             "@Router.POST (\"/a\")\ndef a(): pass\n\n\n\n\n\n\n@app.route(\"/b\")\ndef b(): pass\n\n\n\n\n"
             "@bp.get(\"/c\")\ndef c(): pass\n",
             {"a api_route/high/exported 0-1", "b use_case/high/exported 8-9", "c use_case/high/exported 14-15"}},
        Case{"distance 3 counts both ways, 4 does not",
             ".py",
             "def before(): pass\n\n\n@app.get('/x')\ndef routed(): pass\n\ndef after3(): pass\ndef after4(): pass\n",
             {"before api_route/high/exported 0-0", "routed api_route/high/exported 3-4",
              "after3 api_route/high/exported 6-6", "after4 use_case/high/exported 7-7"}},
        Case{"a decorator in a comment counts",
             ".py",
             "# @app.get('/old')\ndef legacy(): pass\n",
             {"legacy api_route/high/exported 1-1"}},
        Case{"five stacked decorators, route last: distance 4 from the first",
             ".py",
             "@a\n@b\n@c\n@d\n@app.get('/x')\ndef deep(): pass\n",
             {"deep use_case/high/exported 0-5"}},
        Case{"private and test names dropped, not marked seen",
             ".py",
             "def _private(): pass\nclass _Base: pass\nclass C:\n    def __init__(self): pass\n"
             "def test_login(): pass\nclass TestLogin: pass\ndef Test_thing(): pass\n",
             {"C model/high/exported 2-3", "TestLogin model/high/exported 5-5",
              "Test_thing use_case/high/exported 6-6"}},
        Case{"decorated class gets the class statement's rows",
             ".py",
             "@dataclass\nclass Point:\n    x: int\n",
             {"Point model/high/exported 1-2"}},
        Case{"methods, nested and async functions; first name wins",
             ".py",
             "class A:\n    def get(self): pass\nclass B:\n    def get(self): pass\nasync def run():\n"
             "    def inner(): pass\nf = lambda: 1\n",
             {"A model/high/exported 0-1", "get use_case/high/exported 1-1", "B model/high/exported 2-3",
              "run use_case/high/exported 4-5", "inner use_case/high/exported 5-5"}},
        Case{"empty file", ".py", "", {}}));

class GoSymbols : public testing::TestWithParam<Case> {};

TEST_P(GoSymbols, Records) {
    const Case& c = GetParam();
    const auto syms = vorlane_ast::extract_symbols_go_ast(ast_support::all_languages(), c.text, "f");
    EXPECT_EQ(render(syms), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Table, GoSymbols,
    testing::Values(
        Case{"functions and their export flag",
             ".go",
             "package m\nfunc main() {}\nfunc Serve() {}\n",
             {"main use_case/high 1-1", "Serve use_case/high/exported 2-2"}},
        Case{"methods: first of a name wins, receiver not in the id",
             ".go",
             "package m\nfunc (a A) String() string { return \"\" }\nfunc (b *B) String() string { return \"\" }\n",
             {"String use_case/high/exported 1-1"}},
        Case{"grouped types share the group's rows; lower-case and function types",
             ".go",
             "package m\ntype (\n\tConfig struct{}\n\thandler func()\n\tStore interface{ Get() }\n)\n"
             "type Mode int\ntype HandlerFunc func()\ntype lower struct{}\ntype Alias = Mode\n",
             {"Config model/high/exported 1-5", "Store use_case/high/exported 1-5", "Mode model/high/exported 6-6",
              "HandlerFunc model/high/exported 7-7"}},
        Case{"Unicode upper case exports, underscore does not",
             ".go",
             "package m\nfunc \xC3\x89"
             "crire() {}\nfunc _hidden() {}\n",
             {"\xC3\x89"
              "crire use_case/high/exported 1-1",
              "_hidden use_case/high 2-2"}},
        Case{"types inside function bodies; type and method of one name",
             ".go",
             "package m\nfunc Outer() {\n\ttype Inner struct{}\n}\ntype T struct{}\nfunc (T) T() {}\n",
             {"Outer use_case/high/exported 1-3", "Inner model/high/exported 2-2", "T model/high/exported 4-4"}},
        Case{"empty file", ".go", "", {}}));

TEST(DeepTrees, ThreeThousandTermExpressionParsesAndWalks) {
    std::string expr = "1";
    for (int i = 0; i < 3000; ++i) expr += " + 1";
    const auto langs = ast_support::all_languages();
    const std::string ts = "const total = " + expr + ";\nfunction after() {}\n";
    EXPECT_EQ(render(vorlane_ast::extract_symbols_ts_ast(langs, ts, "f", ".ts")), V{"after utility/medium 1-1"});
    EXPECT_TRUE(vorlane_ast::extract_imports_ts_ast(langs, ts, "f", ".ts").empty());
    const std::string py = "total = " + expr + "\ndef after(): pass\n";
    EXPECT_EQ(render(vorlane_ast::extract_symbols_py_ast(langs, py, "f")), V{"after use_case/high/exported 1-1"});
    const std::string go = "package m\nvar total = " + expr + "\nfunc After() {}\n";
    EXPECT_EQ(render(vorlane_ast::extract_symbols_go_ast(langs, go, "f")), V{"After use_case/high/exported 2-2"});

    // The walk goes as deep as the tree, in pre-order.
    vorlane_ast::SyntaxTree tree(langs.ts, ts);
    std::size_t nodes = 0, binaries = 0;
    vorlane_ast::walk_preorder(tree.root(), [&](TSNode n, TSNode) {
        ++nodes;
        if (vorlane_ast::is_type(n, "binary_expression")) ++binaries;
    });
    EXPECT_EQ(binaries, 3000u);
    EXPECT_GT(nodes, 9000u);
}

// The Python walk leaves out statements made of expressions; the records and edges are
// those of the whole walk, over the corpus and over definitions and imports that error
// recovery puts inside such statements.
TEST(PySymbols, LeavingOutExpressionStatementsChangesNothing) {
    std::vector<std::string> texts;
    for (const std::string& path : pipeline_oracle::corpus_files()) texts.push_back(pipeline_oracle::read_text(path));
    for (const char* t : {"x = (\ndef f(): pass\n", "foo(\nclass A: pass\n)\n", "return [\nimport os\n]\n",
                          "raise (\nfrom a import b\n", "assert f(lambda: 1), g(\n@d\ndef h(): pass\n)\n",
                          "del x[\nclass B:\n  def m(self): pass\n"})
        texts.push_back(t);
    const auto l = ast_support::all_languages();
    const vorlane_ast::Grammar& g = vorlane_ast::Grammar::of(l.py);
    std::size_t all_nodes = 0, walked_nodes = 0;
    for (const std::string& text : texts) {
        vorlane_ast::SyntaxTree tree(l.py, text);
        std::vector<core::Edge> edges, all_edges;
        vorlane_ast::PySymbols pruned(g, text, "f"), whole(g, text, "f");
        vorlane_ast::PyImports imports(g, text, "f", edges), all_imports(g, text, "f", all_edges);
        vorlane_ast::visit_all(tree.root(), imports, pruned);
        vorlane_ast::walk_preorder(tree.root(), [&](TSNode n, TSNode p) {
            ++all_nodes;
            all_imports.visit(n, p);
            whole.visit(n, p);
        });
        vorlane_ast::walk_preorder(tree.root(), [&](TSNode n, TSNode) {
            ++walked_nodes;
            return !vorlane_ast::python_leaf_statement(g, n);
        });
        ASSERT_EQ(render(pruned.take()), render(whole.take())) << text.substr(0, 200);
        ASSERT_EQ(render(edges), render(all_edges)) << text.substr(0, 200);
    }
    EXPECT_LT(walked_nodes, all_nodes);
}

}  // namespace
