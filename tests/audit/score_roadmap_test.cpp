// Debt score terms at and past their caps, and the roadmap's tasks, order and files.
#include <gtest/gtest.h>

#include "audit/score_roadmap.hpp"
#include "audit/values.hpp"
#include "support.hpp"

namespace {

using audit_test::Json;

Json items(std::size_t n, const std::string& prefix = "f") {
    Json out = Json::array();
    for (std::size_t i = 0; i < n; ++i) out.push_back({{"file", prefix + std::to_string(i % 3) + ".py"}});
    return out;
}

Json results(int coverage, std::size_t dead, std::size_t cyc, std::size_t cp, std::size_t db, std::size_t todos,
             std::size_t meh) {
    Json cycles = Json::array();
    for (std::size_t i = 0; i < cyc; ++i) cycles.push_back(Json::array({"a" + std::to_string(i), "b", "c"}));
    Json groups = Json::array();
    for (std::size_t i = 0; i < cp; ++i) groups.push_back({{"symbols", items(2, "g")}});
    return {{"dead_exports", items(dead)},
            {"test_coverage", {{"coverage_pct", coverage}, {"untested", Json::array({"u1", "u2", "u3", "u4"})}}},
            {"circular_deps", cycles},
            {"copy_paste", groups},
            {"db_in_routes", items(db, "r")},
            {"todos", items(todos)},
            {"missing_error_handling", items(meh, "e")}};
}

TEST(DebtScore, TermsAndCaps) {
    struct Case {
        int coverage;
        std::size_t dead, cyc, cp, db, todos, meh;
        long long want;
    };
    const Case cases[] = {
        {100, 0, 0, 0, 0, 0, 0, 0},    {0, 0, 0, 0, 0, 0, 0, 60},    {59, 0, 0, 0, 0, 0, 0, 1},
        {60, 0, 0, 0, 0, 0, 0, 0},     {100, 2, 0, 0, 0, 0, 0, 0},   {100, 3, 0, 0, 0, 0, 0, 1},
        {100, 45, 0, 0, 0, 0, 0, 15},  {100, 90, 0, 0, 0, 0, 0, 15}, {100, 0, 1, 0, 0, 0, 0, 2},
        {100, 0, 5, 0, 0, 0, 0, 10},   {100, 0, 9, 0, 0, 0, 0, 10},  {100, 0, 0, 1, 0, 0, 0, 2},
        {100, 0, 0, 7, 0, 0, 0, 10},   {100, 0, 0, 0, 4, 0, 0, 4},   {100, 0, 0, 0, 9, 0, 0, 5},
        {100, 0, 0, 0, 0, 7, 0, 1},    {100, 0, 0, 0, 0, 8, 0, 2},   {100, 0, 0, 0, 0, 25, 0, 5},
        {100, 0, 0, 0, 0, 0, 2, 0},    {100, 0, 0, 0, 0, 0, 3, 1},   {100, 0, 0, 0, 0, 0, 20, 5},
        {0, 45, 5, 5, 5, 20, 15, 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(audit::debt_score(results(c.coverage, c.dead, c.cyc, c.cp, c.db, c.todos, c.meh)), c.want)
            << c.coverage << " " << c.dead << " " << c.cyc << " " << c.cp << " " << c.db << " " << c.todos << " "
            << c.meh;
    EXPECT_EQ(audit::debt_score(Json::object()), 0);
    EXPECT_EQ(audit::debt_score(Json::parse(R"({"test_coverage": {"coverage_pct": 40.5}})")), 19);
    EXPECT_THROW(audit::debt_score(Json::parse(R"({"test_coverage": {"coverage_pct": "40"}})")), audit::TypeError);
}

TEST(FixRoadmap, AllSixTasksAndNone) {
    const Json r = results(49, 6, 2, 3, 4, 0, 5);
    const Json got = audit::fix_roadmap(r);
    ASSERT_EQ(got.size(), 6u);
    std::vector<int> weeks;
    for (const auto& t : got) weeks.push_back(t["week"]);
    EXPECT_EQ(weeks, (std::vector<int>{1, 1, 2, 2, 3, 2}));
    EXPECT_EQ(got[0], Json::parse(R"({"week": 1, "label": "Add tests to largest untested modules",
                                      "files": ["u1", "u2", "u3"], "why": "Only 49% test coverage"})"));
    EXPECT_EQ(got[1]["files"], Json::parse(R"(["r0.py", "r1.py", "r2.py"])"));
    EXPECT_EQ(got[2]["files"], Json::parse(R"(["g0.py", "g1.py"])")) << "files of one group collapse";
    EXPECT_EQ(got[2]["why"], "3 duplicate function group(s) \xe2\x80\x94 single bug fix = fix everywhere");
    EXPECT_EQ(got[3]["files"], Json::parse(R"(["a0", "b", "c", "a1"])"));
    EXPECT_EQ(got[4]["label"], "Remove 6 dead exports");
    EXPECT_EQ(got[5]["label"], "Add error handling to 5 external call(s)");
    EXPECT_EQ(audit::fix_roadmap(r), got) << "equal on every call";

    EXPECT_EQ(audit::fix_roadmap(results(50, 4, 0, 0, 0, 9, 0)), Json::array());
    EXPECT_EQ(audit::fix_roadmap(Json::object()), Json::array());
    EXPECT_EQ(audit::fix_roadmap(results(100, 5, 0, 0, 0, 0, 0))[0]["week"], 3);
}

TEST(FixRoadmap, FilesAreDistinctAndAtMostFour) {
    Json cycles = Json::parse(R"([["a", "b", "c"], ["d", "e", "f"], ["g", "h"]])");
    EXPECT_EQ(audit::fix_roadmap({{"circular_deps", cycles}})[0]["files"], Json::parse(R"(["a", "b", "c", "d"])"));
    EXPECT_EQ(audit::fix_roadmap({{"circular_deps", Json::parse(R"([["x", "y"]])")}})[0]["files"],
              Json::parse(R"(["x", "y"])"));
    EXPECT_EQ(audit::fix_roadmap({{"test_coverage", {{"coverage_pct", 10}}}})[0]["files"], Json::array());
}

}  // namespace
