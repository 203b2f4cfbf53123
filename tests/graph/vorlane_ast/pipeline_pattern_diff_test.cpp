// Every pattern of the walker's neighbours (summary, keywords, peer rows) and of the
// extractors (the route decorator, the five fixed import patterns), run over a
// corpus through the host's `re` and through the pattern layer (or the pattern's own
// bounded routine where it has one): the matches, their spans and every group must be
// the same.
//
// The corpus: the fixture files, a fixed handful of the host's standard-library sources,
// file stems, and generated texts made to stress backtracking and the host's character
// meanings (runs of blanks and line breaks after the words that open a pattern, closing
// characters that come late or never, letters outside ASCII, the dotted and dotless i).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graph/vorlane_ast/dispatch.hpp"
#include "graph/vorlane_ast/keywords.hpp"
#include "graph/vorlane_ast/peers.hpp"
#include "graph/vorlane_ast/summary.hpp"
#include "tests/core/pattern_diff.hpp"
#include "tests/graph/vorlane_ast/pipeline_oracle.hpp"

namespace {

namespace fs = std::filesystem;
using pattern_diff::repeat;

std::vector<std::string> generated_texts() {
    std::vector<std::string> out;
    // Stems as the peer rows see them.
    for (const char* stem : {"routes",
                             "route",
                             "ROUTES",
                             "Routes\n",
                             "routes\n\n",
                             "routess",
                             "router",
                             "routers",
                             "middleware",
                             "middlewares",
                             "guard",
                             "services",
                             "servıces",
                             "serv\xc4\xb0"
                             "ce",
                             "\xe2\x84\xaaroutes",
                             "repository",
                             "repositories",
                             "repositorys",
                             "repo",
                             "repos",
                             "deps",
                             "dep",
                             "dependencies",
                             "dependenciess",
                             "depends",
                             "auth",
                             "auths",
                             "policies",
                             "policy",
                             "schema",
                             "schemas",
                             "view",
                             "views",
                             "model",
                             "migration",
                             "handler",
                             "validators",
                             "controller",
                             "resolver",
                             "interceptor",
                             "permission",
                             "serializers",
                             "user.routes",
                             "",
                             "\n",
                             "s"})
        out.push_back(stem);
    // Hand-made cases of the routines' branches.
    for (const char* t :
         {"export { alpha, beta_gamma, DeltaEpsilon, zeta as eta, theta, iota, kappa }\nexport {x}\nexport{}",
          "export {a\nexport {b}", "export{ a }export{b}}", "exportexport {c}", "export\xe3\x80\x80{d}",
          "func (s *T) A(\nfunc B(\nfunc (x) C (", "func (s *T)\n\tD (x)\nfunc E\n(", "func (a\nfunc b(\n) x(",
          "func () F(", "func (s) G", "func(s) H(", "func \xc3\xa9(", "func _u(", "func (s) \xc4\xb0x(",
          "func (a) b (c) d(",
          "@app.get (\n@Router.POST\t(\n@blueprint.patch\n\n(\n@bp.get(\n@app.route(\n@bluepr\xc4\xb0nt.get(\n@app "
          ".get(",
          "import\t(\n \"x\"\nimport  from 'y'\nrequire(\"z\")\n  from a.b import c\nimport\x1cq"})
        out.push_back(t);
    const std::vector<std::string> units = {
        " ", "\t", "\n", " \n", "\x0b", "\x0c", "\x1c", "\xc2\x85", "\xe2\x80\xa8", "\xe3\x80\x80", "a",       "_", "(",
        ")", "{",  "}",  "'",   "\"",   "/",    ".",    "@",        "\xc3\xa9",     "\xc4\xb0",     "\xc4\xb1"};
    const std::vector<std::string> heads = {"export ",
                                            "export {",
                                            "export{a, b",
                                            "export default ",
                                            "export async function ",
                                            "func ",
                                            "func (",
                                            "func (s *T",
                                            "func (s *T) ",
                                            "func (s *T) Name",
                                            "type ",
                                            "type T ",
                                            "def ",
                                            "async def ",
                                            "class ",
                                            "app.get(",
                                            "router . post ( '",
                                            "r@HandleFunc(\"/",
                                            "mux.handle(/",
                                            "api.delete( '/a/",
                                            "\"\"\"",
                                            "'''",
                                            "  /**",
                                            "/*",
                                            "x.ab",
                                            "function ",
                                            "export class "};
    const std::vector<std::string> tails = {"", ")", "}", " Name(", "'/x'", "\"\"\"", "*/", " struct", "x"};
    const std::size_t n = 400;
    for (const auto& u : units) out.push_back(repeat(u, n));
    for (std::size_t h = 0; h < heads.size(); ++h)
        for (std::size_t k = 0; k < units.size(); k += 2) {
            const std::string& u = units[(k + h) % units.size()];
            out.push_back(heads[h] + repeat(u, n / 2) + tails[(h + k) % tails.size()]);
            out.push_back(repeat(heads[h] + u, n));
            out.push_back(repeat("\n" + heads[h] + u + tails[(h + k) % tails.size()], n));
        }
    const std::vector<std::string> tokens = {
        "export",   "default", "async",      "function", "class",   "const",    "type",     "interface",
        "enum",     "def",     "func",       "struct",   "{",       "}",        "(",        ")",
        ",",        " ",       "  ",         "\t",       "\n",      "\n\n",     "\x0c",     "\xe3\x80\x80",
        "\xc2\x85", "app",     "router",     "r",        "mux",     "api",      ".",        "@",
        "get",      "POST",    "HandleFunc", "handle",   "'",       "\"",       "/",        ":id",
        "<int:x>",  "{id}",    "x",          "Foo",      "useAuth", "_",        "*",        "/*",
        "*/",       "/**",     "\"\"\"",     "'''",      "#",       "\xc4\xb0", "\xc4\xb1", "\xc3\xa9",
        "s *T",     "Name",    "a.b",        "\\"};
    std::mt19937 rng(20261210);
    pattern_diff::append_mixes(out, rng, tokens, 400, 12, 80);
    return out;
}

TEST(AstPipelinePatternDiff, SameMatchesAsTheHost) {
    std::vector<graph_kit::PatternSpec> specs = vorlane_ast::keyword_patterns();
    for (auto v : {vorlane_ast::summary_patterns(), vorlane_ast::peer_patterns(), vorlane_ast::ast_patterns()})
        specs.insert(specs.end(), v.begin(), v.end());
    ASSERT_EQ(specs.size(), 8u + 5u + 44u + 6u);

    const kit::Scratch scratch("ast_pattern_diff");
    const std::string& dir = scratch.path();
    std::vector<std::string> names, paths;
    for (const std::string& f : pipeline_oracle::corpus_files()) {
        names.push_back(f);
        paths.push_back(f);
    }
    const std::vector<std::string> gen = generated_texts();
    for (std::size_t i = 0; i < gen.size(); ++i) {
        const std::string path = kit::join(dir, "gen" + std::to_string(i));
        kit::write_file(path, gen[i]);
        names.push_back("generated #" + std::to_string(i));
        paths.push_back(path);
    }
    pattern_diff::expect_same_matches_as_host(specs, names, paths, [](const graph_kit::PatternSpec& s) {
        return std::string(s.label) + " " + std::string(s.text);
    });
}

}  // namespace
