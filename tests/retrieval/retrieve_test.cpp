#include "retrieval/retrieve.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "retrieval/parallel.hpp"

namespace {

using retrieval::Candidate;
using retrieval::ScoredEdge;

TEST(SliceEnd, FollowsTheHostsSliceRules) {
    const std::vector<std::pair<std::int64_t, std::size_t>> cases = {
        {0, 0}, {3, 3}, {5, 5}, {9, 5}, {-1, 4}, {-5, 0}, {-9, 0}, {INT64_MIN, 0}, {INT64_MAX, 5}};
    for (const auto& [k, want] : cases) EXPECT_EQ(retrieval::slice_end(5, k), want) << k;
    EXPECT_EQ(retrieval::slice_end(0, -1), 0u);
}

// The heap walk, and the walk over candidates already in order, choose what a plain walk
// over a stable sort chooses, whatever the ties; repeated file bases are skipped without
// counting.
TEST(ChooseFiles, HeapWalkEqualsSortedWalk) {
    std::mt19937 rng(3);
    const std::vector<std::string> names = {"a", "b", "c", "a::x", "b::y", "d"};
    for (int round = 0; round < 300; ++round) {
        std::vector<Candidate> cands;
        const std::size_t n = rng() % 40;
        for (std::size_t i = 0; i < n; ++i) {
            const std::string_view key = names[rng() % names.size()];
            cands.push_back({i, static_cast<std::int64_t>(rng() % 4), key, key.substr(0, key.find("::"))});
        }
        const std::int64_t top = static_cast<std::int64_t>(rng() % 8) - 1;
        std::vector<Candidate> sorted = cands;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Candidate& a, const Candidate& b) {
            return a.score != b.score ? a.score > b.score : a.key < b.key;
        });
        // The walk over the sorted list: a repeated base is skipped, and the walk stops once
        // `top` files are chosen (at once for a count of 0 or less).
        std::vector<std::size_t> want;
        std::set<std::string_view> bases;
        for (const Candidate& c : sorted) {
            if (static_cast<std::int64_t>(want.size()) >= top) break;
            if (bases.insert(c.base).second) want.push_back(c.index);
        }
        std::vector<std::size_t> got;
        for (std::size_t pos : retrieval::choose_files(cands, top, false)) got.push_back(cands[pos].index);
        ASSERT_EQ(got, want);
        std::vector<std::size_t> got_ordered;
        for (std::size_t pos : retrieval::choose_files(sorted, top, true)) got_ordered.push_back(sorted[pos].index);
        ASSERT_EQ(got_ordered, want);
        ASSERT_LE(got.size(), static_cast<std::size_t>(std::max<std::int64_t>(top, 0)));
    }
}

TEST(ChooseEdges, PartialSelectionEqualsStableSort) {
    std::mt19937 rng(5);
    const std::vector<std::string> ends = {"", "a", "b", "c"};
    for (int round = 0; round < 300; ++round) {
        std::vector<ScoredEdge> edges;
        const std::size_t n = rng() % 30;
        for (std::size_t i = 0; i < n; ++i)
            edges.push_back({i, static_cast<std::int64_t>(rng() % 3 + 1), ends[rng() % 4], ends[rng() % 4]});
        const std::int64_t top = static_cast<std::int64_t>(rng() % 40) - 10;
        std::vector<ScoredEdge> sorted = edges;
        std::stable_sort(sorted.begin(), sorted.end(), [](const ScoredEdge& a, const ScoredEdge& b) {
            if (a.score != b.score) return a.score > b.score;
            if (a.from_key != b.from_key) return a.from_key < b.from_key;
            return a.to_key < b.to_key;
        });
        std::vector<std::size_t> want;
        for (std::size_t i = 0; i < retrieval::slice_end(sorted.size(), top); ++i) want.push_back(sorted[i].index);
        ASSERT_EQ(retrieval::choose_edges(edges, top, false), want);
    }
}

TEST(FileBase, SymbolsUpToTheFirstSeparator) {
    EXPECT_EQ(retrieval::file_base("a.py::C::m", "symbol"), "a.py");
    EXPECT_EQ(retrieval::file_base("a.py::C", "file"), "a.py::C");
    EXPECT_EQ(retrieval::file_base("a.py", "symbol"), "a.py");
}

TEST(Parallel, EveryIndexOnceAndErrorsRethrown) {
    std::vector<int> hits(100000, 0);
    retrieval::parallel_for(hits.size(), 4, [&](unsigned, std::size_t b, std::size_t e) {
        for (std::size_t i = b; i < e; ++i) ++hits[i];
    });
    EXPECT_TRUE(std::all_of(hits.begin(), hits.end(), [](int h) { return h == 1; }));
    EXPECT_THROW(retrieval::parallel_for(10, 3,
                                         [](unsigned part, std::size_t, std::size_t) {
                                             if (part == 2) throw std::runtime_error("x");
                                         }),
                 std::runtime_error);
}

// Degrees count every named end (a self edge twice); importers of buttons and badges are
// found through a case-folded test of the target.
TEST(EdgeStats, DegreesAndImporters) {
    std::vector<retrieval::EdgeText> edges = {{"a", "b", "imports", "a", "b"},
                                              {"a", "./BUTTON", "imports", "a", "./BUTTON"},
                                              {"a", "a", "references", "a", "a"},
                                              {"c", "Badge\xc3\xa9", "imports", "c", std::nullopt},
                                              {"", "b", "imports", std::nullopt, "b"}};
    const retrieval::EdgeStats stats({"a", "b", "c", "Badge\xc3\xa9", "", "zz"}, edges);
    EXPECT_EQ(stats.degree(stats.id_of("a")), 4);
    EXPECT_EQ(stats.degree(stats.id_of("b")), 2);
    EXPECT_EQ(stats.degree(stats.id_of("zz")), 0);
    EXPECT_EQ(stats.degree(stats.id_of("nobody")), 0);
    EXPECT_EQ(stats.node_id(1), stats.id_of("b"));
    EXPECT_EQ(stats.degree(stats.id_of("")), 0);
    EXPECT_TRUE(stats.imports_button(stats.id_of("a")));
    EXPECT_FALSE(stats.imports_badge(stats.id_of("a")));
    EXPECT_TRUE(stats.imports_badge(stats.id_of("c")));
    // An empty "from" imports for a node without an id, though it adds no degree.
    EXPECT_FALSE(stats.imports_button(stats.id_of("")));
    // Only stored text ends match chosen ids.
    EXPECT_EQ(stats.touching(edges, {"b"}), (std::vector<char>{1, 0, 0, 0, 1}));
    EXPECT_EQ(stats.touching(edges, {"Badge\xc3\xa9"}), (std::vector<char>{0, 0, 0, 0, 0}));
}

}  // namespace
