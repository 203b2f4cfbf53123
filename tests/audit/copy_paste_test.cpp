// Copy-paste groups: who joins a group, the 10-row floor, the record shape, the order
// by copies times lines and the caps.
#include <gtest/gtest.h>

#include "audit/copy_paste.hpp"
#include "audit/values.hpp"
#include "support.hpp"

namespace {

using audit_test::Json;

Json sym(const std::string& file, const std::string& hash, Json start, Json end, const std::string& name = "f") {
    Json n = {{"id", file + "::" + name}, {"kind", "symbol"}, {"name", name}, {"body_hash", hash}};
    if (!file.empty()) n["file"] = file;
    if (!start.is_discarded()) n["line_start"] = start;
    if (!end.is_discarded()) n["line_end"] = end;
    return n;
}

const Json kAbsent = Json(Json::value_t::discarded);

TEST(CopyPaste, MembershipAndFloor) {
    struct Case {
        const char* name;
        Json nodes;
        Json want;
    };
    const Case cases[] = {
        {"pair of ten-row spans", Json::array({sym("a.py", "h", 0, 10, "f"), sym("b.py", "h", 0, 10, "g")}),
         Json::parse(R"([{"copies": 2, "lines": 10, "symbols": [
             {"file": "a.py", "name": "f", "line": 0}, {"file": "b.py", "name": "g", "line": 0}]}])")},
        {"nine rows", Json::array({sym("a.py", "h", 0, 9), sym("b.py", "h", 0, 9)}), Json::array()},
        {"empty hash, no file, other or upper-case suffix leave a single member",
         Json::array({sym("a.py", "h", 0, 10), sym("b.py", "", 0, 10), sym("", "h", 0, 10), sym("c.md", "h", 0, 10),
                      sym("d.PY", "h", 0, 10)}),
         Json::array()},
        {"null start counts as 0 but is listed as null; absent start listed as 0",
         Json::array({sym("a.py", "h", nullptr, 12), sym("b.py", "h", kAbsent, 12)}),
         Json::parse(R"([{"copies": 2, "lines": 12, "symbols": [
             {"file": "a.py", "name": "f", "line": null}, {"file": "b.py", "name": "f", "line": 0}]}])")},
        {"lines from the first member only", Json::array({sym("a.py", "h", 5, 16), sym("b.py", "h", 0, 40)}),
         Json::parse(R"([{"copies": 2, "lines": 11, "symbols": [
             {"file": "a.py", "name": "f", "line": 5}, {"file": "b.py", "name": "f", "line": 0}]}])")},
    };
    for (const auto& c : cases) EXPECT_EQ(audit::check_copy_paste({{"nodes", c.nodes}}), c.want) << c.name;
}

TEST(CopyPaste, BuildersPathKey) {
    Json a = sym("", "h", 3, 20), b = sym("", "h", 30, 47);
    a["path"] = "x.go";
    b["path"] = "y.go";
    const Json got = audit::check_copy_paste({{"nodes", Json::array({a, b})}});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["symbols"][1], Json::parse(R"({"file": "y.go", "name": "f", "line": 30})"));
}

TEST(CopyPaste, OrderAndCaps) {
    Json nodes = Json::array();
    auto group = [&](const std::string& hash, int copies, int lines) {
        for (int i = 0; i < copies; ++i)
            nodes.push_back(sym("g" + hash + ".ts", hash, 0, lines, "s" + std::to_string(i)));
    };
    group("two15", 2, 15);                                                   // 30
    group("three12", 3, 12);                                                 // 36
    group("six10", 6, 10);                                                   // 60
    group("eq1", 2, 15);                                                     // 30, after two15
    for (int k = 0; k < 10; ++k) group("small" + std::to_string(k), 2, 10);  // 20 each
    const Json got = audit::check_copy_paste({{"nodes", nodes}});
    ASSERT_EQ(got.size(), 12u);
    EXPECT_EQ(got[0]["copies"], 6);
    EXPECT_EQ(got[0]["symbols"].size(), 5u);
    EXPECT_EQ(got[1]["copies"], 3);
    EXPECT_EQ(got[2]["symbols"][0]["file"], "gtwo15.ts");
    EXPECT_EQ(got[3]["symbols"][0]["file"], "geq1.ts");
    EXPECT_EQ(got[11]["symbols"][0]["file"], "gsmall7.ts");
}

TEST(CopyPaste, TextRowsRaise) {
    EXPECT_THROW(audit::check_copy_paste({{"nodes", Json::array({sym("a.py", "h", "0", 10)})}}), audit::TypeError);
}

}  // namespace
