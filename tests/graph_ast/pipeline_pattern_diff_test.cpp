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
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/hash.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/vorlane_ast/dispatch.hpp"
#include "graph/vorlane_ast/keywords.hpp"
#include "graph/vorlane_ast/peers.hpp"
#include "graph/vorlane_ast/summary.hpp"
#include "tests/graph_ast/pipeline_oracle.hpp"

namespace {

namespace fs = std::filesystem;
using Flat = std::vector<long>;  // per match: start and end of every group, code points, -1 when absent

std::string repeat(std::string_view unit, std::size_t n) {
    std::string s;
    while (s.size() < n) s += unit;
    return s;
}

std::vector<std::string> generated_texts() {
    std::vector<std::string> out;
    // Stems as the peer rows see them.
    for (const char* stem : {"routes", "route", "ROUTES", "Routes\n", "routes\n\n", "routess", "router", "routers",
                             "middleware", "middlewares", "guard", "services", "servıces", "serv\xc4\xb0" "ce",
                             "\xe2\x84\xaaroutes", "repository", "repositories", "repositorys", "repo", "repos",
                             "deps", "dep", "dependencies", "dependenciess", "depends", "auth", "auths",
                             "policies", "policy", "schema", "schemas", "view", "views", "model", "migration",
                             "handler", "validators", "controller", "resolver", "interceptor", "permission",
                             "serializers", "user.routes", "", "\n", "s"})
        out.push_back(stem);
    // Hand-made cases of the routines' branches.
    for (const char* t : {
             "export { alpha, beta_gamma, DeltaEpsilon, zeta as eta, theta, iota, kappa }\nexport {x}\nexport{}",
             "export {a\nexport {b}", "export{ a }export{b}}", "exportexport {c}", "export\xe3\x80\x80{d}",
             "func (s *T) A(\nfunc B(\nfunc (x) C (", "func (s *T)\n\tD (x)\nfunc E\n(", "func (a\nfunc b(\n) x(",
             "func () F(", "func (s) G", "func(s) H(", "func \xc3\xa9(", "func _u(", "func (s) \xc4\xb0x(",
             "func (a) b (c) d(",
             "@app.get (\n@Router.POST\t(\n@blueprint.patch\n\n(\n@bp.get(\n@app.route(\n@bluepr\xc4\xb0nt.get(\n@app .get(",
             "import\t(\n \"x\"\nimport  from 'y'\nrequire(\"z\")\n  from a.b import c\nimport\x1cq"})
        out.push_back(t);
    const std::vector<std::string> units = {" ",  "\t", "\n", " \n", "\x0b", "\x0c", "\x1c", "\xc2\x85",
                                            "\xe2\x80\xa8", "\xe3\x80\x80", "a", "_", "(", ")", "{", "}",
                                            "'", "\"", "/", ".", "@", "\xc3\xa9", "\xc4\xb0", "\xc4\xb1"};
    const std::vector<std::string> heads = {
        "export ",   "export {",     "export{a, b",      "export default ",   "export async function ",
        "func ",     "func (",       "func (s *T",       "func (s *T) ",      "func (s *T) Name",
        "type ",     "type T ",      "def ",             "async def ",        "class ",
        "app.get(",  "router . post ( '", "r@HandleFunc(\"/", "mux.handle(/",  "api.delete( '/a/",
        "\"\"\"",    "'''",          "  /**",            "/*",                "x.ab",
        "function ", "export class "};
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
        "export", "default", "async", "function", "class", "const", "type", "interface", "enum", "def", "func",
        "struct", "{", "}", "(", ")", ",", " ", "  ", "\t", "\n", "\n\n", "\x0c", "\xe3\x80\x80", "\xc2\x85",
        "app", "router", "r", "mux", "api", ".", "@", "get", "POST", "HandleFunc", "handle", "'", "\"", "/",
        ":id", "<int:x>", "{id}", "x", "Foo", "useAuth", "_", "*", "/*", "*/", "/**", "\"\"\"", "'''", "#",
        "\xc4\xb0", "\xc4\xb1", "\xc3\xa9", "s *T", "Name", "a.b", "\\"};
    std::mt19937 rng(20261210);
    for (int i = 0; i < 400; ++i) {
        std::vector<std::string> pick;
        const int kinds = 2 + static_cast<int>(rng() % 12);
        for (int k = 0; k < kinds; ++k) pick.push_back(tokens[rng() % tokens.size()]);
        std::string t;
        const int len = 1 + static_cast<int>(rng() % 80);
        for (int k = 0; k < len; ++k) t += pick[rng() % pick.size()];
        out.push_back(t);
    }
    return out;
}

constexpr const char* kHostScript = R"PY(import hashlib, json, re, sys
specs, paths, out_path = json.load(open(sys.argv[1], encoding="utf-8")), json.load(open(sys.argv[2], encoding="utf-8")), sys.argv[3]
def flags(f):
    return (re.I if f & 1 else 0) | (re.M if f & 2 else 0) | (re.S if f & 4 else 0)
texts = []
for p in paths:
    t = open(p, "rb").read().decode("utf-8", "ignore")
    texts.append(t.replace("\r\n", "\n").replace("\r", "\n"))
res = []
for pat, f in specs:
    rx = re.compile(pat, flags(f))
    row = []
    for t in texts:
        flat = []
        for m in rx.finditer(t):
            for g in range(rx.groups + 1):
                flat.extend(m.span(g))
        row.append(flat)
    res.append(row)
json.dump({"texts": [hashlib.md5(t.encode("utf-8")).hexdigest() for t in texts], "matches": res}, open(out_path, "w"))
)PY";

// The matches of one pattern through the builder's own route, as code-point spans.
Flat layer_matches(const vorlane::PatternSpec& spec, const core::Regex& re, std::string_view text) {
    std::vector<long> cp_at(text.size() + 1, -1);
    long cps = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        cp_at[pos] = cps++;
        core::next_cp(text, pos);
    }
    cp_at[text.size()] = cps;
    Flat flat;
    auto take = [&](const core::Match& m) {
        for (int g = 0; g < m.groups_plus_one(); ++g) {
            flat.push_back(m.has(g) ? cp_at[m.start(g)] : -1);
            flat.push_back(m.has(g) ? cp_at[m.end(g)] : -1);
        }
        return true;
    };
    if (spec.find_all)
        spec.find_all(text, take);
    else
        re.for_each(text, take);
    return flat;
}

std::string describe(const Flat& v, std::size_t from, std::size_t width) {
    std::ostringstream os;
    os << "[";
    for (std::size_t i = from; i < std::min(v.size(), from + width); ++i) os << (i > from ? " " : "") << v[i];
    os << (from + width < v.size() ? " ...]" : "]");
    return os.str();
}

TEST(AstPipelinePatternDiff, SameMatchesAsTheHost) {
    std::vector<vorlane::PatternSpec> specs = vorlane_ast::keyword_patterns();
    for (auto v : {vorlane_ast::summary_patterns(), vorlane_ast::peer_patterns(), vorlane_ast::ast_patterns()})
        specs.insert(specs.end(), v.begin(), v.end());
    ASSERT_EQ(specs.size(), 8u + 5u + 44u + 6u);

    char tmpl[] = "/tmp/ast_pattern_diff_XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    std::vector<std::pair<std::string, std::string>> texts;  // name, path
    for (const std::string& f : pipeline_oracle::corpus_files()) texts.emplace_back(f, f);
    const std::vector<std::string> gen = generated_texts();
    for (std::size_t i = 0; i < gen.size(); ++i) {
        const std::string path = dir + "/gen" + std::to_string(i);
        std::ofstream(path, std::ios::binary) << gen[i];
        texts.emplace_back("generated #" + std::to_string(i), path);
    }
    nlohmann::json spec_json = nlohmann::json::array(), paths = nlohmann::json::array();
    for (const auto& s : specs) spec_json.push_back({std::string(s.text), s.flags});
    for (const auto& t : texts) paths.push_back(t.second);
    std::ofstream(dir + "/specs.json") << spec_json.dump();
    std::ofstream(dir + "/paths.json") << paths.dump();
    std::ofstream(dir + "/host.py") << kHostScript;
    const std::string cmd = "'" PYTHON_EXECUTABLE "' '" + dir + "/host.py' '" + dir + "/specs.json' '" + dir +
                            "/paths.json' '" + dir + "/out.json'";
    const bool ok = std::system(cmd.c_str()) == 0;
    nlohmann::json host;
    if (ok) std::ifstream(dir + "/out.json") >> host;
    std::vector<std::string> decoded;
    for (const auto& t : texts) decoded.push_back(pipeline_oracle::read_text(t.second));
    fs::remove_all(dir);
    ASSERT_TRUE(ok) << "the host's run failed";
    ASSERT_EQ(host["matches"].size(), specs.size());
    for (std::size_t t = 0; t < texts.size(); ++t)
        ASSERT_EQ(core::md5_hex(decoded[t]), host["texts"][t].get<std::string>()) << texts[t].first;
    for (std::size_t p = 0; p < specs.size(); ++p) {
        const auto& spec = specs[p];
        const core::Regex re(spec.text, spec.flags);
        const std::size_t width = 2 * static_cast<std::size_t>(re.group_count() + 1);
        int reported = 0;
        for (std::size_t t = 0; t < texts.size() && reported < 3; ++t) {
            const Flat expected = host["matches"][p][t].get<Flat>();
            const Flat actual = layer_matches(spec, re, decoded[t]);
            if (actual == expected) continue;
            std::size_t i = 0;
            while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
            const std::size_t at = i - i % width;
            ADD_FAILURE() << spec.label << " " << spec.text << (spec.find_all ? " (routine)" : "") << " on "
                          << texts[t].first << ": match " << at / width << " differs; host "
                          << describe(expected, at, width) << ", builder " << describe(actual, at, width) << " ("
                          << expected.size() / width << " vs " << actual.size() / width << " matches)";
            ++reported;
        }
    }
}

}  // namespace
