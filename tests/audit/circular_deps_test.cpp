// Cycle search: the recorded cycles and their order, which edges take part, the start
// limit, the cycle limit with the visit under way, and a very deep chain.
#include <gtest/gtest.h>

#include "audit/circular_deps.hpp"
#include "audit/values.hpp"
#include "support.hpp"

namespace {

using audit_test::Json;

Json edges_graph(std::initializer_list<std::array<const char*, 3>> edges) {
    Json list = Json::array();
    for (const auto& e : edges) list.push_back({{"from", e[0]}, {"to", e[1]}, {"rel", e[2]}});
    return {{"edges", list}};
}

TEST(CircularDeps, CyclesInSearchOrder) {
    struct Case {
        const char* name;
        Json graph;
        Json want;
    };
    const Case cases[] = {
        {"none", Json::object(), Json::array()},
        {"triangle", edges_graph({{"a", "b", "imports"}, {"b", "c", "references"}, {"c", "a", "imports"}}),
         Json::parse(R"([["a", "b", "c"]])")},
        {"pair", edges_graph({{"a", "b", "imports"}, {"b", "a", "imports"}}), Json::parse(R"([["a", "b"]])")},
        {"self, empty and other relations",
         edges_graph({{"a", "a", "imports"},
                      {"a", "", "imports"},
                      {"", "a", "imports"},
                      {"x", "y", "requires"},
                      {"y", "x", "includes"},
                      {"p", "q", "contains"},
                      {"q", "p", "structural_peer"}}),
         Json::array()},
        {"duplicates count once", edges_graph({{"a", "b", "imports"}, {"a", "b", "imports"}, {"b", "a", "imports"}}),
         Json::parse(R"([["a", "b"]])")},
        {"expanded id off the path closes nothing",
         edges_graph({{"a", "b", "imports"}, {"b", "a", "imports"}, {"a", "c", "imports"}, {"c", "b", "imports"}}),
         Json::parse(R"([["a", "b"]])")},
        {"both directions of a triangle: one set recorded",
         edges_graph({{"a", "b", "imports"},
                      {"b", "c", "imports"},
                      {"c", "a", "imports"},
                      {"a", "c", "imports"},
                      {"c", "b", "imports"},
                      {"b", "a", "imports"}}),
         Json::parse(R"([["a", "b", "c"], ["b", "c"], ["a", "b"]])")},
    };
    for (const auto& c : cases) EXPECT_EQ(audit::check_circular_deps(c.graph), c.want) << c.name;
}

TEST(CircularDeps, OnlyTheFirst300SourcesStartAVisit) {
    Json edges = Json::array();
    for (int i = 0; i < 300; ++i) edges.push_back({{"from", "s" + std::to_string(i)}, {"to", "t"}, {"rel", "imports"}});
    // The 301st source closes a cycle that no earlier start reaches.
    edges.push_back({{"from", "late"}, {"to", "late2"}, {"rel", "imports"}});
    edges.push_back({{"from", "late2"}, {"to", "late"}, {"rel", "imports"}});
    EXPECT_EQ(audit::check_circular_deps({{"edges", edges}}), Json::array());
    // Reached from an early start, the same ids are searched.
    edges.push_back({{"from", "s0"}, {"to", "late"}, {"rel", "imports"}});
    EXPECT_EQ(audit::check_circular_deps({{"edges", edges}}), Json::parse(R"([["late", "late2"]])"));
}

TEST(CircularDeps, VisitUnderWayRecordsPastTheLimit) {
    // Nine two-id cycles, then a chain h→p1→p2→p3 whose last id points back at all of them.
    Json edges = Json::array();
    for (int i = 0; i < 9; ++i) {
        const std::string a = "a" + std::to_string(i), b = "b" + std::to_string(i);
        edges.push_back({{"from", a}, {"to", b}, {"rel", "imports"}});
        edges.push_back({{"from", b}, {"to", a}, {"rel", "imports"}});
    }
    for (const auto& [f, t] : std::vector<std::pair<std::string, std::string>>{
             {"h", "p1"}, {"p1", "p2"}, {"p2", "p3"}, {"p3", "h"}, {"p3", "p1"}, {"p3", "p2"}})
        edges.push_back({{"from", f}, {"to", t}, {"rel", "imports"}});
    edges.push_back({{"from", "z"}, {"to", "z2"}, {"rel", "imports"}});
    edges.push_back({{"from", "z2"}, {"to", "z"}, {"rel", "imports"}});
    const Json got = audit::check_circular_deps({{"edges", edges}});
    ASSERT_EQ(got.size(), 12u);
    EXPECT_EQ(got[9], Json::parse(R"(["h", "p1", "p2", "p3"])"));
    EXPECT_EQ(got[11], Json::parse(R"(["p2", "p3"])"));
}

TEST(CircularDeps, LongChainNeitherRecursesNorSlowsDown) {
    const int n = 100000;
    Json edges = Json::array();
    for (int i = 0; i < n; ++i)
        edges.push_back(
            {{"from", "m" + std::to_string(i)}, {"to", "m" + std::to_string((i + 1) % n)}, {"rel", "imports"}});
    const Json got = audit::check_circular_deps({{"edges", edges}});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].size(), static_cast<std::size_t>(n));
    EXPECT_EQ(got[0][0], "m0");
    EXPECT_EQ(got[0][n - 1], "m" + std::to_string(n - 1));
}

TEST(CircularDeps, NonTextEndpointRaises) {
    EXPECT_THROW(audit::check_circular_deps(Json::parse(R"({"edges": [{"from": 1, "to": "b", "rel": "imports"}]})")),
                 audit::TypeError);
    EXPECT_THROW(audit::check_circular_deps(Json::parse(R"({"edges": null})")), audit::TypeError);
}

}  // namespace
