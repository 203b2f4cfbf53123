// The written node and edge texts against the document writer on the same records.
#include "graph/kit/node_text.hpp"

#include <gtest/gtest.h>

#include <string>

#include "core/json.hpp"
#include "core/records.hpp"

namespace {

// The text of `v` as it stands two levels down in json_dumps_indent's layout.
std::string nested(const core::Json& v) {
    const std::string doc = core::json_dumps_indent(core::Json::array({core::Json::array({v})}));
    const std::string head = "[\n  [\n    ", tail = "\n  ]\n]";
    return doc.substr(head.size(), doc.size() - head.size() - tail.size());
}

TEST(NodeText, EqualsTheDocumentWritersText) {
    core::Node file;
    file.id = file.path = "src/caf\xc3\xa9.py";
    file.kind = "file";
    file.ext = ".py";
    file.size = 12;
    file.keywords = {"caf\xc3\xa9", "a\"b\\c\n", "\x7f"};
    file.content = "line\r\n\ttab \xf0\x9f\x98\x80";
    file.summary = "";
    file.file_hash = "0123abcd";
    core::Node symbol = file;
    symbol.kind = "symbol";
    symbol.keywords = {};
    symbol.name = "run";
    symbol.symbol_type = "utility";
    symbol.line_start = -3;
    symbol.line_end = 9000000000;
    symbol.body_hash = "ffff0000";
    symbol.confidence = "high";
    symbol.exported = true;
    core::Node other_kind = symbol;  // any kind but "file" carries the symbol keys
    other_kind.kind = "File";
    for (const core::Node& n : {file, symbol, other_kind}) {
        std::string text;
        graph_kit::write_node(text, n);
        EXPECT_EQ(text, nested(core::node_as_dict(n))) << n.kind;
    }
}

TEST(NodeText, EdgesAndNesting) {
    std::string text;
    graph_kit::JsonText w(text);
    graph_kit::write_edge(w, {"a.py", "b\xc3\xa9", "imports"});
    EXPECT_EQ(text, nested(core::edge_json({"a.py", "b\xc3\xa9", "imports"})));
    EXPECT_EQ(graph_kit::nested_twice("{\n  \"a\": \"x\\ny\"\n}"), "{\n      \"a\": \"x\\ny\"\n    }");
}

}  // namespace
