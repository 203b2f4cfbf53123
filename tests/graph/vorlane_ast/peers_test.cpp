#include "graph/vorlane_ast/peers.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/graph/vorlane_ast/pipeline_oracle.hpp"

namespace {

using Ids = std::vector<std::string>;
using Pairs = std::vector<std::pair<std::string, std::string>>;

// A file id as the builders write it: the relative path with the platform's separator.
std::string id(std::string slashed) {
    if (kit::windows())
        for (char& c : slashed)
            if (c == '/') c = '\\';
    return slashed;
}

// Each edge pair as (from, to) of its first edge, after checking that the second edge is
// its reverse and that every relation is "structural_peer".
Pairs pairs_of(const std::vector<core::Edge>& edges) {
    Pairs out;
    EXPECT_EQ(edges.size() % 2, 0u);
    for (std::size_t i = 0; i + 1 < edges.size(); i += 2) {
        EXPECT_EQ(edges[i].from, edges[i + 1].to);
        EXPECT_EQ(edges[i].to, edges[i + 1].from);
        EXPECT_EQ(edges[i].rel, "structural_peer");
        EXPECT_EQ(edges[i + 1].rel, "structural_peer");
        out.emplace_back(edges[i].from, edges[i].to);
    }
    return out;
}

TEST(AstPeerEdges, ConventionsDirectoriesAndOrder) {
    struct Case {
        const char* what;
        Ids ids;
        Pairs expected;
    };
    const Case cases[] = {
        {"routes with middleware", {"api/routes.ts", "api/middleware.ts"}, {{"api/routes.ts", "api/middleware.ts"}}},
        {"reversed input starts at the middleware",
         {"api/middleware.ts", "api/routes.ts"},
         {{"api/middleware.ts", "api/routes.ts"}}},
        {"extensions do not matter", {"api/routes.py", "api/middleware.js"}, {{"api/routes.py", "api/middleware.js"}}},
        {"case does not matter", {"api/Routes.TS", "api/Middleware.js"}, {{"api/Routes.TS", "api/Middleware.js"}}},
        {"dotted stems fit nothing", {"api/user.routes.ts", "api/user.middleware.ts"}, {}},
        {"different directories", {"api/routes.ts", "lib/middleware.ts"}, {}},
        {"root-level files form one group", {"routes.ts", "middleware.ts"}, {{"routes.ts", "middleware.ts"}}},
        {"several pairs in position order",
         {"src/routes.ts", "src/middleware.ts", "src/guards.ts", "src/deps.ts"},
         {{"src/routes.ts", "src/middleware.ts"},
          {"src/routes.ts", "src/guards.ts"},
          {"src/routes.ts", "src/deps.ts"}}},
        {"same stems do not pair with each other",
         {"src/routes.ts", "src/routes.py", "src/middleware.ts"},
         {{"src/routes.ts", "src/middleware.ts"}, {"src/routes.py", "src/middleware.ts"}}},
        {"policy is not policies",
         {"app/auth.py", "app/policy.py", "app/policies.py"},
         {{"app/auth.py", "app/policies.py"}}},
        {"models and schemas, models and migrations",
         {"db/model.py", "db/schema.py", "db/models.py", "db/migrations.py"},
         {{"db/model.py", "db/schema.py"},
          {"db/model.py", "db/migrations.py"},
          {"db/schema.py", "db/models.py"},
          {"db/models.py", "db/migrations.py"}}},
        {"directories in first-met order",
         {"b/service.go", "a/controller.go", "a/services.go", "b/repositories.go", "b/repo.go"},
         {{"b/service.go", "b/repositories.go"}, {"b/service.go", "b/repo.go"}, {"a/controller.go", "a/services.go"}}},
        {"a directory's place comes from its first file, paired or not",
         {"b/readme.md", "a/routes.ts", "a/guards.ts", "b/routes.ts", "b/middleware.ts"},
         {{"b/routes.ts", "b/middleware.ts"}, {"a/routes.ts", "a/guards.ts"}}},
        {"dependenciess, router with middlewares, handler with routers",
         {"x/routes", "x/dependenciess.py", "y/router.ts", "y/middlewares.ts", "y/handler.ts", "y/routers.ts"},
         {{"x/routes", "x/dependenciess.py"},
          {"y/router.ts", "y/middlewares.ts"},
          {"y/router.ts", "y/handler.ts"},
          {"y/middlewares.ts", "y/handler.ts"},
          {"y/handler.ts", "y/routers.ts"}}},
        {"a stem is the name less its last suffix only; hidden names keep theirs",
         {"k/.routes", "k/middleware", "k/routes.", "k/view.tar.gz", "k/schema.json", "k/Routes.d"},
         {{"k/middleware", "k/Routes.d"}}},
        {"one file, and nothing", {"a/routes.ts"}, {}},
        {"empty input", {}, {}},
    };
    for (const Case& c : cases) {
        Ids ids;
        Pairs expected;
        for (const std::string& s : c.ids) ids.push_back(id(s));
        for (const auto& [a, b] : c.expected) expected.emplace_back(id(a), id(b));
        EXPECT_EQ(pairs_of(vorlane_ast::structural_peer_edges(ids)), expected) << c.what;
    }
}

// Stems that only the host's case rules bring to a pattern, undecodable names, line
// feeds in names, ids with either separator, against the rules written in the host's
// language with the platform's path rules (on Windows both separators cut an id).
TEST(AstPeerEdges, SameAsTheHost) {
    const std::vector<Ids> inputs = {
        {"d/servıce.py", "d/controller.py"},        // dotless i: the host's ignore-case takes it
        {"d/SERVİCE.py", "d/controller.py"},        // dotted capital I lower-cases to two characters
        {"d/\xe2\x84\xaaOUTES.py", "d/guards.py"},  // Kelvin sign
        {"d/route\n.py", "d/middleware.py"},        // "$" before a final line feed
        {"d/route\n\n.py", "d/middleware.py"},
        {"d/a/b/routes.ts", "d/a/b/guard.ts", "d/a/routes.ts", "d/a/b/interceptor.ts", "d/a/interceptors.ts"},
        {"view.py", "./schemas.py", "x//views.py", "x/serializer.py", "x/./schema.py"},
        {"h/handler.go", "h/validators.go", "h/middleware.go", "h/router.go", "h/handlers.go"},
        {"w\\a\\routes.ts", "w\\a/guards.ts", "w/a\\interceptor.ts", "w\\b\\middleware.ts", "w\\routes.ts",
         "v/a\\routes.ts", "v/a\\middleware.ts"},
    };
    nlohmann::json cases = nlohmann::json::array();
    for (const Ids& ids : inputs) cases.push_back({{"op", "peers"}, {"ids", ids}});
    cases.push_back({{"op", "peer rows"}});
    const nlohmann::json want = pipeline_oracle::ask(cases);
    ASSERT_EQ(want.size(), inputs.size() + 1);
    // The table itself, row for row, as the rules file writes it.
    nlohmann::json rows = nlohmann::json::array();
    for (const auto& r : vorlane_ast::PEER_PAIRS) rows.push_back({std::string(r.x), std::string(r.y)});
    EXPECT_EQ(rows, want.back());
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        nlohmann::json got = nlohmann::json::array();
        for (const core::Edge& e : vorlane_ast::structural_peer_edges(inputs[k]))
            got.push_back({{"from", e.from}, {"to", e.to}, {"rel", e.rel}});
        EXPECT_EQ(got, want[k]) << nlohmann::json(inputs[k]).dump();
    }
    // A name that is not valid text (a byte kept as an escape) pairs with nothing.
    EXPECT_TRUE(vorlane_ast::structural_peer_edges({"e/routes\xed\xb2\x80.ts", "e/middleware.ts"}).empty());
}

}  // namespace
