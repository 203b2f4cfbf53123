// The scan's file order and its one-file-per-id rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph/kit/file_result.hpp"
#include "graph/vorlane/file_order.hpp"
#include "tests/kit/portable.hpp"

namespace {

TEST(FileOrder, LargestFirstMissingLastWalkOrderForTies) {
    const std::string dir = kit::source_path("tests/graph/vorlane/");
    const std::vector<std::string> files = {dir + "missing.x", dir + "file_order_test.cpp",
                                            dir + "scan_parallel_test.cpp", dir + "missing.y"};
    EXPECT_EQ(vorlane::largest_first(files, 2), (std::vector<std::size_t>{2, 1, 0, 3}));
}

TEST(Dedupe, FirstFileOfEachIdStays) {
    std::vector<graph_kit::FileResult> results(4);
    const char* ids[] = {"a", "b", "a", ""};
    for (int i = 0; i < 3; ++i) {
        results[i].kept = true;
        results[i].file_id = ids[i];
        results[i].edges = {{ids[i], "x", "imports"}};
    }
    graph_kit::drop_repeated_ids(results);
    EXPECT_TRUE(results[0].kept && results[1].kept);
    EXPECT_FALSE(results[2].kept);
    EXPECT_TRUE(results[2].edges.empty());
    int edges = 0;
    graph_kit::for_each_new_edge(results, [&](const core::Edge&) { ++edges; });
    EXPECT_EQ(edges, 2);
}

}  // namespace
