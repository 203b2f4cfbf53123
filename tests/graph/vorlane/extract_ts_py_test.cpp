// TypeScript/JavaScript and Python symbols.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/hash.hpp"
#include "extract_support.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"

namespace {

using Rows = std::vector<std::string>;
using Extractor = graph_kit::Symbols (*)(std::string_view, std::string_view);

// "name type confidence start-end" plus " exported".
Rows brief(const graph_kit::Symbols& syms) {
    Rows out;
    for (const auto& s : syms)
        out.push_back(s.name + " " + s.symbol_type + " " + s.confidence + " " + std::to_string(s.line_start) + "-" +
                      std::to_string(s.line_end) + (s.exported ? " exported" : ""));
    return out;
}

struct Case {
    const char* what;
    std::string text;
    Rows expected;
};

void expect_cases(Extractor extract, const std::vector<Case>& cases) {
    for (const auto& c : cases) EXPECT_EQ(brief(extract(c.text, "f")), c.expected) << c.what << "\n" << c.text;
}

TEST(ExtractTs, Passes) {
    expect_cases(
        vorlane::extract_symbols_ts,
        {
            {"empty", "", {}},
            {"no declaration", "const x = 1;\nfoo();\n", {}},
            {"route handler",
             "export async function POST(req: Request) {\n  return ok();\n}\n",
             {"POST api_route high 0-2 exported"}},
            {"route handler with type parameters",
             "export function GET<T>(req: T) {\n}\n",
             {"GET api_route high 0-1 exported"}},
            {"default-exported or private route names give nothing",
             "export default function DELETE() {}\nfunction DELETE() {}\nasync function PUT() {}\n",
             {}},
            {"route constant bound to an arrow function",
             "export const GET = async (req) => {\n  return 1;\n};\n",
             {"GET api_route high 0-2 exported"}},
            {"classified functions",
             "export function useAuth() {}\nexport function Button() {}\nexport async function fetchUsers() {}\n"
             "function formatDate() {}\nasync function formatTime() {}\nexport default function handler() {}\n",
             {"useAuth hook high 0-0 exported", "Button use_case medium 1-1 exported",
              "fetchUsers use_case high 2-2 exported", "formatDate utility medium 3-3", "formatTime utility medium 4-4",
              "handler use_case high 5-5 exported"}},
            {"arrow functions with one bare parameter, and a call of functional",
             "export const inc = x => {\n  return x + 1;\n};\nexport const dec = async y => y - 1;\n"
             "export const wrapped = functional(inc);\n",
             {"inc use_case high 0-2 exported", "dec use_case high 3-4 exported",
              "wrapped use_case high 4-4 exported"}},
            {"schema constants, exported or not",
             "export const userSchema = z.object({\n  name: z.string(),\n});\nconst orderschema = z.object({\n});\n",
             {"userSchema model high 0-2 exported", "orderschema model high 3-4 exported"}},
            {"a type alias's block runs on to the next braces",
             "export type A = string;\n\nexport interface B {\n  x: number;\n}\n",
             {"A model high 0-4 exported", "B model high 2-4 exported"}},
            {"overload signatures, then the implementation",
             "export function parse(a: string): number;\nexport function parse(a: number): number;\n"
             "export function parse(a: any) {\n  return 1;\n}\n",
             {"parse use_case high 0-4 exported"}},
            {"not declarations these passes know",
             "export interface A extends B {\n}\nexport enum E { X }\nexport abstract class K {}\n"
             "export function* gen() {}\n  export function inner() {}\nexport const typed: Fn = () => {};\n"
             "export var old = () => 1;\nexport const gen2 = <T>(x: T) => x;\n",
             {}},
            {"interface before class", "class Store {\n}\ninterface Store {\n  a: 1;\n}\n", {"Store model high 2-4"}},
            {"declaration over two rows", "export\nfunction split() {\n}\n", {"split use_case high 0-2 exported"}},
            {"one-row arrow function on the last row",
             "let a;\nexport const add = (a, b) => a + b",
             {"add use_case high 1-1 exported"}},
            {"pass order decides the record: function before class",
             "export class Widget {}\nexport function Widget() {}\n",
             {"Widget use_case medium 1-1 exported"}},
        });
}

TEST(ExtractTs, RecordFields) {
    const std::string text = "export function loadUser(id) {\n  return id;\n}\n";
    const auto syms = vorlane::extract_symbols_ts(text, "src/users.ts");
    ASSERT_EQ(syms.size(), 1u);
    EXPECT_EQ(syms[0].id, "src/users.ts::loadUser");
    EXPECT_EQ(syms[0].body_hash, core::md5_prefix8("export function loadUser(id) {\n  return id;\n}"));
    EXPECT_EQ(syms[0].keywords, (Rows{"loaduser", "load", "user"}));
}

TEST(ExtractTs, LongRunOfLettersAndSlashes) {
    std::string text;
    while (text.size() < 300000) text += "ab/";
    EXPECT_TRUE(vorlane::extract_symbols_ts(text, "f").empty());
    EXPECT_EQ(brief(vorlane::extract_symbols_ts("export class " + text.substr(0, 299999) + "{}", "f")).size(), 1u);
}

TEST(ExtractPy, ColumnZeroDefinitionsAndRanges) {
    expect_cases(
        vorlane::extract_symbols_py,
        {
            {"empty", "", {}},
            {"definitions in column 0 only, functions before classes",
             "class A:\n    def method(self):\n        pass\n\ndef top():\n    pass\n\nif x:\n    def hidden():\n"
             "        pass\nasync def later():\n    pass\n",
             {"top use_case high 4-9 exported", "later use_case high 10-11 exported", "A model high 0-2 exported"}},
            {"a type-parameter list after the name", "def first[T](x: T) -> T:\n    return x\n", {}},
            {"skipped names",
             "def _private():\n    pass\ndef __dunder__():\n    pass\ndef test_login():\n    pass\n"
             "def Test_login():\n    pass\ndef testing():\n    pass\ndef tests_login():\n    pass\nclass _Hidden:\n    "
             "pass\n",
             {"Test_login use_case high 6-7 exported", "testing use_case high 8-9 exported",
              "tests_login use_case high 10-11 exported", "_Hidden model high 12-13"}},
            {"decorators above a definition are outside its range; comments and statements in column 0 inside",
             "@dec\ndef a():\n    x = 1\n# note\nY = 2\n\n@other\nclass B:\n    pass\n",
             {"a use_case high 1-4 exported", "B model high 7-8 exported"}},
            {"definition followed only by blank rows", "def a():\n\n\n", {"a use_case high 0-0 exported"}},
            {"first occurrence wins",
             "def a():\n    pass\ndef a():\n    return 2\nclass a:\n    pass\n",
             {"a use_case high 0-1 exported"}},
            {"names beyond ASCII after the first character",
             "class Café:\n    pass\ndef ñandu():\n    pass\n",
             {"Café model high 0-1 exported"}},
        });
}

TEST(ExtractPy, RouteRecognition) {
    struct Route {
        const char* what;
        std::string text;
        const char* type;
    };
    const std::vector<Route> cases = {
        {"app.get", "@app.get('/x')\ndef handler():\n    pass\n", "api_route"},
        {"router.post, one more decorator, async",
         "@router.post('/y')\n@login_required\nasync def handler():\n    pass\n", "api_route"},
        {"capitals", "@APP.GET('/z')\ndef handler():\n    pass\n", "api_route"},
        {"dotless i in the receiver", "@blueprınt.get('/')\ndef handler():\n    pass\n", "api_route"},
        {"dotted capital I in the receiver", "@BLUEPRİNT.delete('/')\ndef handler():\n    pass\n", "api_route"},
        {"arguments over several rows", "@app.get(\n    '/h',\n)\ndef handler():\n    pass\n", "api_route"},
        {"blueprint.patch with blanks before the parenthesis", "@blueprint.patch  ('/')\ndef handler():\n",
         "api_route"},
        {"two more decorators", "@app.get('/')\n@a\n@b\ndef handler():\n", "use_case"},
        {"an empty row between", "@app.get('/')\n\ndef handler():\n", "use_case"},
        {"a comment row between", "@app.get('/')\n# note\ndef handler():\n", "use_case"},
        {"verb route", "@app.route('/')\ndef handler():\n", "use_case"},
        {"receiver bp", "@bp.get('/')\ndef handler():\n", "use_case"},
        {"nested call in the arguments", "@app.get(path('/'))\ndef handler():\n", "use_case"},
        {"blanks after the parenthesis", "@app.get('/')  \ndef handler():\n", "use_case"},
        {"comment after the parenthesis", "@app.get('/') # c\ndef handler():\n", "use_case"},
        {"carriage returns", "@app.get('/')\r\ndef handler():\r\n    pass\r\n", "use_case"},
        {"an indented handler names the column-0 function",
         "class V:\n    @app.get('/')\n    def handler(self):\n        pass\n\ndef handler():\n    pass\n",
         "api_route"},
        {"a route decorator's function after the column-0 one",
         "def handler():\n    pass\n\nclass V:\n    @router.put('/')\n    async def handler(self):\n        pass\n",
         "api_route"},
    };
    for (const auto& c : cases) {
        const auto syms = vorlane::extract_symbols_py(c.text, "f");
        ASSERT_FALSE(syms.empty()) << c.what;
        EXPECT_EQ(syms[0].name, "handler") << c.what;
        EXPECT_EQ(syms[0].symbol_type, c.type) << c.what;
    }
}

// Texts for the routines that stand in for the function-constant and route patterns:
// declarations put together from those patterns' pieces, each piece sometimes left out,
// doubled or replaced by a near miss, and each opening repeated with a parameter list that
// closes late, never, or in a way that does not finish the match.
std::vector<std::string> routine_texts(unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](const std::vector<std::string>& options) { return options[rng() % options.size()]; };
    const std::vector<std::string> ws = {" ", " ", "  ", "\n", "\t", "\xe3\x80\x80", "\x1c", ""};
    const std::vector<std::string> name = {"x", "Ab_1", "é", "1a", "_"};
    auto params = [&] { return pick({"(", "(a, b", "(\n", "((", "(a)"}) + pick({")", ")", "", "\n)"}); };
    std::vector<std::string> out;
    for (int i = 0; i < 800; ++i) {
        std::string text;
        const int decls = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < decls; ++k) {
            if (i % 2 == 0) {
                text += pick({"export", "export", "exports", ""}) + pick(ws) + pick({"const", "let", "var"}) +
                        pick(ws) + pick(name) + pick(ws) + pick({"=", "=", "=="}) + pick(ws) +
                        pick({"async" + pick(ws), ""}) +
                        pick({"function", "functional", params() + pick(ws) + pick({"=>", "=>", "="}),
                              pick(name) + pick(ws) + pick({"=>", ""}), "<T>"});
            } else {
                text += "@" + pick({"app", "router", "BLUEPRİNT", "blueprınt", "bp"}) + pick({".", ""}) +
                        pick({"get", "POST", "patch", "route"}) + pick(ws) + params() +
                        pick({"", " ", "\n@d(x)", "\n  @d"}) + pick({"\n", "\n", "\r\n", ""}) + pick({"", " ", "\t"}) +
                        pick({"async" + pick(ws), ""}) + pick({"def", "DEF", "define"}) + pick(ws) + pick(name) +
                        pick(ws) + pick({"(", ":"});
            }
            text += pick({"\n", "\n", " ", "\r\n", ""});
        }
        out.push_back(text);
    }
    for (std::string head : {"export const x = (", "export const x = async (", "export let x = (a", "@app.get(",
                             "@router.post(", "@APP.GET ("})
        for (std::string gap : {"\n", "", " a,\n", "\n@app.get(\n", ")\n"})
            for (std::string tail : {"", ")", ") => 1", ")  \n  => 1", ")\ndef f(", ")\n@d\nasync  def g (", ") ="}) {
                std::string text;
                for (int k = 0; k < 60; ++k) text += head + gap;
                out.push_back(text + tail);
                out.push_back(text + tail + "\n" + text + tail);
            }
    return out;
}

TEST(ExtractTsPy, BoundedRoutinesGiveTheHostsMatches) {
    const auto texts = routine_texts(7);
    extract_support::expect_routines_match_host(vorlane::ts_patterns(), texts);
    extract_support::expect_routines_match_host(vorlane::py_patterns(), texts);
}

TEST(ExtractTsPy, UnclosedParameterListsOnManyRows) {
    // Each row opens a list that closes only at the end of the text: the first row's
    // constant takes it, and the rows after it lie inside its match.
    std::string ts;
    for (int i = 0; i < 20000; ++i) ts += "export const x" + std::to_string(i) + " = (\n";
    EXPECT_EQ(brief(vorlane::extract_symbols_ts(ts + ") => 1\n", "f")), (Rows{"x0 use_case high 0-100 exported"}));
    EXPECT_TRUE(vorlane::extract_symbols_ts(ts + ") =\n", "f").empty());

    std::string py;
    for (int i = 0; i < 20000; ++i) py += "@app.get(\n";
    const auto syms = vorlane::extract_symbols_py(py + ")\ndef handler():\n    pass\n", "f");
    ASSERT_EQ(syms.size(), 1u);
    EXPECT_EQ(syms[0].symbol_type, "api_route");
    EXPECT_EQ(vorlane::extract_symbols_py(py + ")\n\ndef handler():\n", "f")[0].symbol_type, "use_case");
}

}  // namespace
