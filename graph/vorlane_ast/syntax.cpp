#include "graph/vorlane_ast/syntax.hpp"

#include <stdexcept>

#include "core/text.hpp"

namespace vorlane_ast {

namespace {

struct ParserHandle {
    TSParser* p = ts_parser_new();
    ~ParserHandle() { ts_parser_delete(p); }
};

}  // namespace

SyntaxTree::SyntaxTree(const TSLanguage* lang, std::string_view source) {
    ParserHandle parser;
    if (!lang || !ts_parser_set_language(parser.p, lang)) throw std::runtime_error("Incompatible language version");
    tree_.reset(ts_parser_parse_string(parser.p, nullptr, source.data(), static_cast<uint32_t>(source.size())));
    if (!tree_) throw std::runtime_error("Parsing failed");
}

std::string node_text(TSNode n, std::string_view src) {
    const std::size_t b = ts_node_start_byte(n), e = ts_node_end_byte(n);
    if (b >= e || b >= src.size()) return {};
    std::string_view piece = src.substr(b, e - b);
    // The runtime cuts at code-point boundaries of the bytes it read, so the common
    // case is valid already.
    if (core::is_valid_utf8(piece)) return std::string(piece);
    return core::decode_utf8_ignore(piece);
}

TSNode field(TSNode n, std::string_view name) {
    return ts_node_child_by_field_name(n, name.data(), static_cast<uint32_t>(name.size()));
}

std::string_view type_of(TSNode n) { return ts_node_type(n); }

bool is_type(TSNode n, std::string_view type) { return type_of(n) == type; }

bool ts_is_exported_parent(TSNode parent) {
    if (ts_node_is_null(parent)) return false;
    const std::string_view t = type_of(parent);
    return t == "export_statement" || t == "export_clause" || t == "export_default_declaration";
}

}  // namespace vorlane_ast
