#pragma once
// The graph's JSON text written straight from the records, in json_dumps_indent's
// layout, without a document tree: a node as it stands in the node list, an edge as it
// stands in the edge list. The keys come from the records' one description. Linear in
// the text written; a string costs no allocation of its own.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"
#include "core/records.hpp"

namespace graph_kit {

// Appends JSON text to one string.
class JsonText {
public:
    explicit JsonText(std::string& out) : out_(out) {}
    void str(std::string_view s);
    void num(std::int64_t v) { out_ += std::to_string(v); }
    void boolean(bool v) { out_ += v ? "true" : "false"; }
    void raw(std::string_view s) { out_ += s; }
    // `"key": ` on a new line at `indent` spaces, after a "," unless it is the first.
    void key(std::string_view k, int indent, bool first);
    // A list of texts whose items stand at `indent` + 2 spaces.
    void list(const std::vector<std::string>& items, int indent);
    // A record's value of any of the kinds the descriptions hand out, its members (if
    // any) at `indent` + 2 spaces.
    void value(const std::string& s, int) { str(s); }
    void value(std::int64_t v, int) { num(v); }
    void value(bool v, int) { boolean(v); }
    void value(const std::vector<std::string>& items, int indent) { list(items, indent); }

private:
    std::string& out_;
    core::Json tmp_ = std::string();
};

// The node map of `n` as it stands inside the graph's node list (two levels down).
void write_node(std::string& out, const core::Node& n);
// The edge map as it stands inside the graph's edge list.
void write_edge(JsonText& w, const core::Edge& e);
// `flat`, an indented JSON text, as it stands two levels down in an indented document.
std::string nested_twice(const std::string& flat);

}  // namespace graph_kit
