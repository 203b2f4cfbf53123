// The symbol index: entries of fresh and stored nodes alike, and the order rule.
#include "graph/kit/symbol_index.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/json.hpp"
#include "core/records.hpp"

namespace {

using core::Json;

TEST(SymbolIndex, FreshAndStoredNodesGiveTheSameEntry) {
    core::Node n;
    n.id = "a.py::f\xc3\xa9";
    n.kind = "symbol";
    n.path = "a.py";
    n.line_start = 3;
    n.line_end = 7;
    n.body_hash = "abcd1234";
    n.confidence = "high";
    const graph_kit::IndexEntry fresh = graph_kit::index_entry_text(n);
    const graph_kit::IndexEntry stored = graph_kit::index_entry_text(core::node_as_dict(n));
    EXPECT_EQ(fresh, stored);
    EXPECT_EQ(fresh.second,
              R"({"line_start": 3, "line_end": 7, "body_hash": "abcd1234", "confidence": "high", "path": "a.py"})");
}

TEST(SymbolIndex, StoredNodesTakeTheirValuesAsTheyAre) {
    Json node = Json::parse(R"({"id": "x", "line_start": null, "line_end": [1], "body_hash": 2, "path": {}})");
    EXPECT_EQ(graph_kit::index_entry_text(node).second,
              R"({"line_start": null, "line_end": [1], "body_hash": 2, "confidence": "", "path": {}})");
    for (const char* key : {"id", "line_start", "line_end", "body_hash", "path"}) {
        Json missing = node;
        missing.erase(key);
        EXPECT_THROW(graph_kit::index_entry_text(missing), core::KeyError) << key;
    }
}

TEST(SymbolIndex, ARepeatedIdKeepsItsFirstPlaceAndTakesTheLaterEntry) {
    const std::vector<graph_kit::IndexEntry> entries = {{"a", "1"}, {"b", "2"}, {"a", "3"}, {"c", "4"}};
    graph_kit::SymbolIndex index;
    for (const auto& e : entries) index.add(e);
    EXPECT_EQ(index.size(), 3u);
    EXPECT_EQ(index.text(), R"({"a": 3, "b": 2, "c": 4})");
    EXPECT_EQ(graph_kit::SymbolIndex().text(), "{}");
}

}  // namespace
