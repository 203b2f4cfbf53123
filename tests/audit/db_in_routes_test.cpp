// Database calls in route files: which files qualify, the count over the whole text,
// the numbered lines, the distinct texts, the order and the cap.
#include <gtest/gtest.h>

#include <map>

#include "audit/db_in_routes.hpp"
#include "support.hpp"

namespace {

using audit_test::file_graph;
using audit_test::Json;

audit::SourceReader texts(std::map<std::string, std::string> files) {
    return [files](const std::string& id) {
        auto it = files.find(id);
        return it == files.end() ? std::string() : it->second;
    };
}

TEST(DbInRoutes, QualifyingFilesAndCounts) {
    const auto read = texts({
        {"src/rapid.py", "db.query(x)\n"},
        {"routes/users.TS", "db.query(x)\n"},
        {"api/README.md", "db.query(x)\n"},
        {"lib/store.py", "db.query(x)\n"},
        {"api/p.ts", "a\nb\nprisma.user.findMany(\n"},
        {"views/s.py", "DB.save (x)\n"},
        {"handlers/c.go", "a\nb\nc\nconn.execute\n(1)\n"},
        {"controllers/f.py", "x\x0cy\ndb.x\n"},
        {"api/none.py", "nothing here\n"},
    });
    const Json got = audit::check_db_in_routes(
        file_graph({"src/rapid.py", "routes/users.TS", "api/README.md", "lib/store.py", "api/p.ts", "views/s.py",
                    "handlers/c.go", "controllers/f.py", "api/none.py", "api/missing.py"}),
        read);
    const Json want = Json::parse(R"([
        {"file": "api/p.ts", "count": 2, "lines": [3], "patterns": ["prisma.", ".findMany("]},
        {"file": "src/rapid.py", "count": 1, "lines": [1], "patterns": ["db."]},
        {"file": "views/s.py", "count": 1, "lines": [1], "patterns": ["DB."]},
        {"file": "handlers/c.go", "count": 1, "lines": [], "patterns": [".execute\n("]},
        {"file": "controllers/f.py", "count": 1, "lines": [3], "patterns": ["db."]}])");
    EXPECT_EQ(got, want);
}

TEST(DbInRoutes, FirstFiveLinesThreeTextsTenFiles) {
    std::string many;
    for (int i = 0; i < 12; ++i) many += "x.save(" + std::to_string(i) + ")\n";
    many += "db.a db.b x.create( x.query( \n";
    std::map<std::string, std::string> files = {{"api/many.py", many}};
    Json nodes = Json::array();
    nodes.push_back({{"id", "api/many.py"}, {"kind", "file"}});
    for (int i = 0; i < 11; ++i) {
        const std::string id = "api/f" + std::to_string(i) + ".py";
        files[id] = std::string(static_cast<std::size_t>(i % 3 + 1), '\n') + "db.x";
        nodes.push_back({{"id", id}, {"kind", "file"}});
    }
    const Json got = audit::check_db_in_routes({{"nodes", nodes}}, texts(files));
    ASSERT_EQ(got.size(), 10u);
    EXPECT_EQ(got[0]["count"], 16);
    EXPECT_EQ(got[0]["lines"], Json::parse("[1, 2, 3, 4, 5]"));
    EXPECT_EQ(got[0]["patterns"], Json::parse(R"([".save(", "db.", ".create("])"));
    // Equal counts keep graph order: f0..f8 follow, f9 and f10 fall past the cap.
    for (int i = 1; i < 10; ++i) EXPECT_EQ(got[i]["file"], "api/f" + std::to_string(i - 1) + ".py");
    EXPECT_EQ(audit::check_db_in_routes(Json::object(), texts({})), Json::array());
}

}  // namespace
