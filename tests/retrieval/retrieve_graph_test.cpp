#include "retrieval/retrieve_graph.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

using retrieval::EdgeText;
using retrieval::NodeText;

NodeText node(std::string_view id, std::string_view ext, bool symbol = false, bool high = false) {
    NodeText n;
    n.id = id;
    n.ext = ext;
    n.symbol = symbol;
    n.high_confidence = high;
    return n;
}

EdgeText edge(std::string_view from, std::string_view rel, std::string_view to) { return {from, to, rel, from, to}; }

// Counts what retrieval asks of the host, and answers as a host whose own order and
// equality are the reverse of graph order and "same position".
struct RecordingValues final : retrieval::OtherValues {
    int order_files_calls = 0, order_edges_calls = 0;
    std::vector<std::size_t> symbol_asked, touched_with;
    void order_files(std::vector<retrieval::Candidate>& c) override {
        ++order_files_calls;
        std::reverse(c.begin(), c.end());
    }
    bool kind_is_symbol(std::size_t node) override {
        symbol_asked.push_back(node);
        return true;
    }
    void touch(const std::vector<std::size_t>& nodes, std::vector<char>& touches) override {
        touched_with = nodes;
        touches.back() = 1;
    }
    void order_edges(std::vector<retrieval::ScoredEdge>& s) override {
        ++order_edges_calls;
        std::reverse(s.begin(), s.end());
    }
};

using Files = std::vector<std::tuple<std::size_t, std::int64_t, std::string>>;

Files files_of(const retrieval::Retrieval& r) {
    Files out;
    for (const retrieval::ChosenFile& f : r.files) out.emplace_back(f.node, f.score, std::string(f.role));
    return out;
}

// The query "parser button" has the terms "parser" and "button", intent "general" (role
// weights: logic 2, code 1, test 0, docs -1) and a UI word that moves no rule of these
// paths. Every ".py" node starts from 1 or 2 for its role and 4 for its extension, a
// ".md" node from -1 and -2. The index boosts its three paths by 4 + 2 (one keyword is
// a term). Totals, from the rules:
//   0 src/parser.py             3 (id term) + 1 + 4, degree 4 -> +1          =  9
//   1 src/parser.py::Parser     3 + 1 + 4 + 3 (symbol) + 2 (high)            = 13
//   2 src/lexer.py              1 + 4 + 6 (exact path), degree 3 -> +1       = 12
//   3 src/hooks/view.py         2 (logic) + 4 + 6 (imports a button)         = 12
//   4 src/ui/panel.py           1 + 4 + 6 ("src/ui/pa*") - 2 (badge importer) =  9
//   5 docs/parser.md            3 - 1 - 2                                    =  0, dropped
//   6 src/gen/a.py, 7 src/gen/b.py   1 + 4 + 6 ("src/gen/")                  = 11
//   8 src/tests/parser_test.py  3 + 0 (test) + 4                             =  7
//   9 README.md                 -1 - 2                                       = -3, dropped
// Ranked: 1, 3 and 2 (ids ascending), 6, 7, 0 and 4, 8; node 0 shares node 1's file
// base and is skipped. An edge scores 2 per term of "from rel to", +4 when an end is a
// chosen id, +2 when an end is an index path, +1 for "imports".
TEST(Retrieve, WholeRetrievalFollowsTheRules) {
    const std::vector<NodeText> nodes = {node("src/parser.py", ".py"),
                                         node("src/parser.py::Parser", ".py", true, true),
                                         node("src/lexer.py", ".py"),
                                         node("src/hooks/view.py", ".py"),
                                         node("src/ui/panel.py", ".py"),
                                         node("docs/parser.md", ".md"),
                                         node("src/gen/a.py", ".py"),
                                         node("src/gen/b.py", ".py"),
                                         node("src/tests/parser_test.py", ".py"),
                                         node("README.md", ".md")};
    const std::vector<EdgeText> edges = {edge("src/parser.py", "contains", "src/parser.py::Parser"),
                                         edge("src/lexer.py", "imports", "src/parser.py"),
                                         edge("src/hooks/view.py", "imports", "widgets/Button"),
                                         edge("src/ui/panel.py", "imports", "widgets/badge"),
                                         edge("src/gen/a.py", "calls", "src/parser.py"),
                                         edge("src/gen/b.py", "calls", "src/parser.py"),
                                         edge("docs/parser.md", "mentions", "src/lexer.py"),
                                         edge("tools/x", "links", "tools/y"),
                                         edge("src/gen/a.py", "calls", "src/lexer.py")};
    const std::vector<retrieval::CapabilityEntry> caps = {
        {"Parsing", {"Parser", "grammar"}, {"src/lexer.py", "src/gen/", "src/ui/pa*"}}};
    RecordingValues host;
    const retrieval::GraphView graph{nodes, edges, {}, false, &host};

    struct Case {
        std::int64_t top_files, top_edges;
        Files files;
        std::size_t fallback_files;
        std::vector<std::size_t> edges;
    };
    const std::vector<Case> cases = {
        // Edges 1: 9, 6: 8, 2: 7; then 6 each, by "from" and "to": 8, 4, 5, 0; then 3: 5.
        {7,
         6,
         {{1, 13, "code"},
          {3, 12, "logic"},
          {2, 12, "code"},
          {6, 11, "code"},
          {7, 11, "code"},
          {4, 9, "code"},
          {8, 7, "test"}},
         0,
         {1, 6, 2, 8, 4, 5}},
        // Fewer chosen ids: edges 4 and 5 fall to 2, below edge 0.
        {3, 6, {{1, 13, "code"}, {3, 12, "logic"}, {2, 12, "code"}}, 0, {1, 6, 2, 8, 0, 4}},
        // No file: no edge touches one, and [:-7] of the eight scored edges keeps edge 1.
        {0, -7, {}, 0, {1}},
        // No file and no edge: the first nodes [:-1], and no edge at all.
        {-1, 0, {}, 9, {}},
    };
    for (const Case& c : cases) {
        const retrieval::Retrieval r = retrieval::retrieve("parser button", caps, graph, c.top_files, c.top_edges);
        EXPECT_EQ(r.intent, "general");
        EXPECT_EQ(files_of(r), c.files) << c.top_files;
        EXPECT_EQ(r.fallback_files, c.fallback_files) << c.top_files;
        EXPECT_EQ(r.edges, c.edges) << c.top_files;
    }
    // Texts alone: nothing is asked of the host.
    EXPECT_EQ(host.order_files_calls + host.order_edges_calls, 0);
    EXPECT_TRUE(host.symbol_asked.empty() && host.touched_with.empty());
}

TEST(Retrieve, NothingScoredGivesTheFirstNodesAndEdges) {
    const std::vector<NodeText> nodes = {node("README.md", ".md"), node("docs/a.md", ".md")};
    const std::vector<EdgeText> edges = {edge("README.md", "links", "docs/a.md"),
                                         edge("docs/a.md", "links", "README.md")};
    const retrieval::GraphView graph{nodes, edges};
    const retrieval::Retrieval r = retrieval::retrieve("fix the parser", {}, graph, 1, 5);
    EXPECT_EQ(r.intent, "edit");
    EXPECT_TRUE(r.files.empty());
    EXPECT_EQ(r.fallback_files, 1u);
    EXPECT_EQ(r.edges, (std::vector<std::size_t>{0, 1}));
}

// Ids, kinds and edge ends of other kinds are left to the host: its order is the one
// walked, its kind test gives the file base, and it adds the edges its equality touches.
TEST(Retrieve, HostDecidesForValuesThatAreNoTexts) {
    const std::vector<NodeText> nodes = {node("a.py", ".py"), node("a.py::f", ".py"), node("b.py", ".py")};
    const std::vector<EdgeText> edges = {edge("a.py", "calls", "b.py"), {"1", "1", "refs", std::nullopt, "1"}};
    const std::vector<retrieval::OtherForms> forms = {{false, false}, {true, true}, {false, false}};
    RecordingValues host;
    const retrieval::Retrieval r = retrieval::retrieve("zzz", {}, {nodes, edges, forms, true, &host}, 5, 5);
    EXPECT_EQ(host.order_files_calls, 1);
    EXPECT_EQ(host.order_edges_calls, 1);
    // Walked as the host ordered them (reversed): b.py, then a.py::f, a symbol by the host's
    // word, whose base takes a.py's place.
    EXPECT_EQ(files_of(r), (Files{{2, 5, "code"}, {1, 5, "code"}}));
    EXPECT_EQ(host.symbol_asked, (std::vector<std::size_t>{1}));
    EXPECT_EQ(host.touched_with, (std::vector<std::size_t>{1}));
    // Edge 0 touches b.py (+4), edge 1 the host's id (+4): equal, then reversed.
    EXPECT_EQ(r.edges, (std::vector<std::size_t>{1, 0}));
}

}  // namespace
