#include "graph/vorlane_ast/compare.hpp"

#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_set>

#include "core/repr.hpp"
#include "core/text.hpp"
#include "graph/kit/json_reads.hpp"

namespace vorlane_ast::compare {

namespace {

using core::Json;
using graph_kit::at;

std::string repeat(std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::string ljust(std::string_view s, std::size_t width) {
    std::string out(s);
    const std::size_t n = core::cp_len(s);
    if (n < width) out.append(width - n, ' ');
    return out;
}

std::string rjust(std::string_view s, std::size_t width) {
    const std::size_t n = core::cp_len(s);
    std::string out = n < width ? std::string(width - n, ' ') : std::string();
    out += s;
    return out;
}

std::string row(std::string_view a, std::string_view b, std::string_view c) {
    return "  " + ljust(a, 35) + " " + rjust(b, 10) + " " + rjust(c, 10) + "\n";
}

// str() of a graph value: text as it is, numbers in decimal.
std::string cell(const Json& v) {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_boolean()) return v.get<bool>() ? "True" : "False";
    if (v.is_null()) return "None";
    return v.dump();
}

std::string seconds(double s) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", s);
    return buf;
}

// The symbol ids of a graph, first seen first, each once.
std::vector<std::string> symbol_ids(const Json& graph) {
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    for (const Json& n : at(graph, "nodes"))
        if (graph_kit::has_kind(n, "symbol")) {
            std::string id = cell(at(n, "id"));
            if (seen.insert(id).second) out.push_back(std::move(id));
        }
    return out;
}

std::map<std::string, long long> type_counts(const Json& graph) {
    std::map<std::string, long long> out;  // code-point order is byte order
    for (const Json& n : at(graph, "nodes"))
        if (graph_kit::has_kind(n, "symbol")) {
            auto t = n.find("symbol_type");
            ++out[t == n.end() ? std::string("?") : cell(*t)];
        }
    return out;
}

std::vector<std::string> minus(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    const std::unordered_set<std::string> other(b.begin(), b.end());
    std::vector<std::string> out;
    for (const std::string& s : a)
        if (!other.count(s)) out.push_back(s);
    return out;
}

}  // namespace

std::string list_display(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ", ";
        out += core::str_repr(items[i]);
    }
    return out + "]";
}

std::string banner(std::string_view root_name) {
    const std::string rule = repeat("\u2550", 60);
    return "\n" + rule + "\n  Comparing AST vs Regex on: " + std::string(root_name) + "\n" + rule + "\n";
}

std::string table(const Side& ast, const std::optional<Side>& regex, std::string_view ast_out,
                  std::string_view regex_out) {
    const Json& a = *ast.graph;
    const std::string rule = repeat("\u2500", 60);
    std::string out = "\n" + rule + "\n";
    out += row("Metric", "AST", "Regex");
    out += rule + "\n";
    out += row("Scan time (s)", seconds(ast.seconds), seconds(regex ? regex->seconds : 0.0));
    auto other = [&](const char* key) { return regex ? cell(at(*regex->graph, key)) : std::string("-"); };
    out += row("Files indexed", cell(at(a, "file_count")), other("file_count"));
    out += row("Symbols extracted", cell(at(a, "symbol_count")), other("symbol_count"));
    out += row("Edges (imports/refs)", cell(at(a, "edge_count")), other("edge_count"));

    if (regex) {
        const Json& r = *regex->graph;
        const auto ta = type_counts(a), tr = type_counts(r);
        std::map<std::string, int> types;
        for (const auto& [t, n] : ta) types[t];
        for (const auto& [t, n] : tr) types[t];
        out += "\n  Symbol breakdown:\n";
        out += row("Type", "AST", "Regex");
        out += "  " + repeat("\u2500", 55) + "\n";
        for (const auto& [t, unused] : types) {
            auto ia = ta.find(t), ir = tr.find(t);
            out += row(t, std::to_string(ia == ta.end() ? 0 : ia->second),
                       std::to_string(ir == tr.end() ? 0 : ir->second));
        }
        const auto ida = symbol_ids(a), idr = symbol_ids(r);
        auto only = [](const std::vector<std::string>& v) {
            return list_display(std::vector<std::string>(v.begin(), v.begin() + std::min<std::size_t>(5, v.size())));
        };
        const auto only_a = minus(ida, idr), only_r = minus(idr, ida);
        out += "\n  Symbols found ONLY by AST (" + std::to_string(only_a.size()) + " total): " + only(only_a) + "\n";
        out += "  Symbols found ONLY by Regex (" + std::to_string(only_r.size()) + " total): " + only(only_r) + "\n";
    }
    out += "\n  AST graph:   " + std::string(ast_out) + "\n";
    if (regex) out += "  Regex graph: " + std::string(regex_out) + "\n";
    out += "\n";
    return out;
}

}  // namespace vorlane_ast::compare
