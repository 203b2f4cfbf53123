#include "graph/kit/node_text.hpp"

namespace graph_kit {

void JsonText::str(std::string_view s) {
    tmp_.get_ref<std::string&>().assign(s);
    core::json_write(out_, tmp_, -1);
}

void JsonText::key(std::string_view k, int indent, bool first) {
    if (!first) out_ += ',';
    out_ += '\n';
    out_.append(static_cast<std::size_t>(indent), ' ');
    out_ += '"';
    out_ += k;  // the keys are plain ASCII names
    out_ += "\": ";
}

void JsonText::list(const std::vector<std::string>& items, int indent) {
    if (items.empty()) {
        out_ += "[]";
        return;
    }
    out_ += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out_ += ',';
        out_ += '\n';
        out_.append(static_cast<std::size_t>(indent + 2), ' ');
        str(items[i]);
    }
    out_ += '\n';
    out_.append(static_cast<std::size_t>(indent), ' ');
    out_ += ']';
}

void write_node(std::string& out, const core::Node& n) {
    // Room for the keys and the texts as they are; escapes may still grow it.
    std::size_t room = 320 + n.id.size() + n.path.size() + n.content.size() + n.summary.size() + n.name.size();
    for (const std::string& k : n.keywords) room += k.size() + 12;
    out.reserve(out.size() + room);
    JsonText w(out);
    w.raw("{");
    bool first = true;
    core::for_each_node_field(n, [&](std::string_view key, const auto& value) {
        w.key(key, 6, first);
        w.value(value, 6);
        first = false;
    });
    w.raw("\n    }");
}

void write_edge(JsonText& w, const core::Edge& e) {
    w.raw("{");
    bool first = true;
    core::for_each_edge_field(e, [&](std::string_view key, const std::string& value) {
        w.key(key, 6, first);
        w.str(value);
        first = false;
    });
    w.raw("\n    }");
}

std::string nested_twice(const std::string& flat) {
    // JSON text holds line breaks only between its members (a break inside a string is
    // written as an escape), so every break is followed by the deeper indentation.
    std::string out;
    out.reserve(flat.size() + flat.size() / 8);
    std::size_t from = 0;
    for (std::size_t nl; (nl = flat.find('\n', from)) != std::string::npos; from = nl + 1) {
        out.append(flat, from, nl + 1 - from);
        out += "    ";
    }
    out.append(flat, from, std::string::npos);
    return out;
}

}  // namespace graph_kit
