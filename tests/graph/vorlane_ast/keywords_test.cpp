#include "graph/vorlane_ast/keywords.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/graph/vorlane_ast/pipeline_oracle.hpp"

namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Words = std::vector<std::string>;

struct Case {
    const char* what;
    std::string content, ext;
    Words expected;
};

TEST(AstExtractKeywords, RoutesNamesAndPieces) {
    const Case cases[] = {
        {"route with a parameter segment", "app.get(\"/users/:id\", h)", ".js", {"get", "users"}},
        {"route with braces",
         "router.post('/api/cart/orders/{order_id}')",
         ".py",
         {"post", "api", "cart", "orders", "order_id"}},
        {"route that is only a slash", "app.put('/')", ".md", {"put"}},
        {"no word boundary before the dot", "user.get(\"/accounts\")", ".md", {"get", "accounts"}},
        {"at sign, upper case, HandleFunc",
         "@Router.Get('/a/b1c') r.HandleFunc(\"/login\")",
         ".go",
         {"get", "b1c", "handlefunc", "login"}},
        {"route opened by a slash", "mux.handle( /static/files )", ".json", {"handle", "static", "files"}},
        {"camel pieces of an exported const",
         "export const useAuthStore = create()",
         ".ts",
         {"useauthstore", "use", "auth", "store"}},
        {"export list", "export { default as Foo, bar_baz }", ".js", {"default", "foo", "bar_baz"}},
        {"default async function; let and abstract class are not read",
         "export default async function loadCart() {}\nexport let total = 1\nexport abstract class Base {}",
         ".tsx",
         {"loadcart", "load", "cart"}},
        {"exports are read only in the JavaScript family", "export const useAuthStore = 1", ".py", {}},
        {"Python top-level names and their pieces",
         "def get_user_by_id():\n    def nested_one(): pass\nclass JSONParser:\n    pass\ndef _hidden(): pass\n",
         ".py",
         {"get_user_by_id", "get", "user", "jsonparser", "json", "parser"}},
        {"Go functions before types",
         "type Cache struct {}\nfunc (s *Server) HandleLogin(w int) {}\ntype ID string\n",
         ".go",
         {"handlelogin", "handle", "login", "cache"}},
        {"Go function needs its parenthesis", "func Run\nfunc lower_case ()\n", ".go", {"lower_case"}},
        {"a word again in another form", "app.get('/users/Users/_users_')", ".md", {"get", "users"}},
        {"no keywords", "nothing here", ".ts", {}},
    };
    for (const Case& c : cases)
        EXPECT_THAT(vorlane_ast::extract_keywords(c.content, c.ext), ElementsAreArray(c.expected)) << c.what;
}

TEST(AstExtractKeywords, FirstEightyOnly) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "def name" + std::to_string(1000 + i) + "():\n    pass\n";
    const Words got = vorlane_ast::extract_keywords(text, ".py");
    ASSERT_EQ(got.size(), 80u);
    EXPECT_EQ(got.front(), "name1000");
    EXPECT_EQ(got.back(), "name1079");
}

// Every corpus text under every extension, against the rules written in the host's language.
TEST(AstExtractKeywords, SameAsTheHostOnTheCorpus) {
    const std::vector<std::string> files = pipeline_oracle::corpus_files();
    ASSERT_GT(files.size(), 20u);
    const char* exts[] = {".py", ".ts", ".tsx", ".js", ".jsx", ".go", ".md", ".swift", ""};
    nlohmann::json cases = nlohmann::json::array();
    std::vector<std::string> texts;
    for (const std::string& f : files) {
        texts.push_back(pipeline_oracle::read_text(f));
        for (const char* e : exts) cases.push_back({{"op", "keywords"}, {"file", f}, {"ext", e}});
    }
    const nlohmann::json want = pipeline_oracle::ask(cases);
    ASSERT_EQ(want.size(), cases.size());
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const Words got = vorlane_ast::extract_keywords(texts[k / std::size(exts)], cases[k]["ext"].get<std::string>());
        EXPECT_EQ(nlohmann::json(got), want[k]) << cases[k].dump();
    }
}

}  // namespace
