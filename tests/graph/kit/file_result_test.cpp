// The edges of a scan de-duplicated by their (from, to, rel): the first of each kept, in order.
#include "graph/kit/file_result.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "core/records.hpp"

namespace {

using core::Edge;

std::vector<Edge> firsts(const std::vector<Edge>& edges) {
    graph_kit::NewEdges seen;
    std::vector<Edge> out;
    for (const Edge& e : edges)
        if (seen.first(e)) out.push_back(e);
    return out;
}

TEST(NewEdges, FirstOfEachTripleKeptInOrder) {
    const Edge ab_imp{"A", "B", "imports"}, ab_req{"A", "B", "requires"};
    EXPECT_EQ(firsts({ab_imp, ab_req, ab_imp}), (std::vector<Edge>{ab_imp, ab_req}));
    EXPECT_TRUE(firsts({}).empty());
    // Edges that differ in any one value are all kept, in their order.
    const std::vector<Edge> distinct = {
        {"A", "B", "x"}, {"B", "A", "x"}, {"A", "A", "x"}, {"AB", "", "x"}, {"A", "B", ""}};
    std::vector<Edge> doubled = distinct;
    doubled.insert(doubled.end(), distinct.rbegin(), distinct.rend());
    EXPECT_EQ(firsts(doubled), distinct);
}

}  // namespace
