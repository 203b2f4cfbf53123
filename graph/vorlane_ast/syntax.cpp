#include "graph/vorlane_ast/syntax.hpp"

#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "core/text.hpp"

namespace vorlane_ast {

namespace {

// One parser per thread, kept between parses: a parser keeps its stacks and buffers
// grown, so a parse after the first allocates less.
TSParser* thread_parser(const TSLanguage* lang) {
    struct Cached {
        TSParser* parser = ts_parser_new();
        const TSLanguage* lang = nullptr;
        ~Cached() { ts_parser_delete(parser); }
    };
    thread_local Cached cached;
    if (cached.lang != lang) {
        cached.lang = nullptr;
        if (!ts_parser_set_language(cached.parser, lang)) throw std::runtime_error("Incompatible language version");
        cached.lang = lang;
    } else {
        // A parse that stopped part way would otherwise be resumed.
        ts_parser_reset(cached.parser);
    }
    return cached.parser;
}

}  // namespace

SyntaxTree::SyntaxTree(const TSLanguage* lang, std::string_view source) {
    if (!lang) throw std::runtime_error("Incompatible language version");
    TSParser* parser = thread_parser(lang);
    tree_.reset(ts_parser_parse_string(parser, nullptr, source.data(), static_cast<uint32_t>(source.size())));
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

const Grammar& Grammar::of(const TSLanguage* lang) {
    static std::mutex mu;
    static std::map<const TSLanguage*, std::unique_ptr<Grammar>> made;
    std::lock_guard<std::mutex> lock(mu);
    auto& slot = made[lang];
    if (slot) return *slot;
    static const std::pair<const char*, Kind> names[] = {
        {"function_declaration", Kind::FunctionDeclaration},
        {"generator_function_declaration", Kind::GeneratorFunctionDeclaration},
        {"lexical_declaration", Kind::LexicalDeclaration},
        {"variable_declarator", Kind::VariableDeclarator},
        {"arrow_function", Kind::ArrowFunction},
        {"function", Kind::Function},
        {"class_declaration", Kind::ClassDeclaration},
        {"interface_declaration", Kind::InterfaceDeclaration},
        {"type_alias_declaration", Kind::TypeAliasDeclaration},
        {"enum_declaration", Kind::EnumDeclaration},
        {"method_definition", Kind::MethodDefinition},
        {"export_statement", Kind::ExportStatement},
        {"export_clause", Kind::ExportClause},
        {"export_default_declaration", Kind::ExportDefaultDeclaration},
        {"import_statement", Kind::ImportStatement},
        {"call_expression", Kind::CallExpression},
        {"string", Kind::String},
        {"function_definition", Kind::FunctionDefinition},
        {"decorated_definition", Kind::DecoratedDefinition},
        {"class_definition", Kind::ClassDefinition},
        {"import_from_statement", Kind::ImportFromStatement},
        {"dotted_name", Kind::DottedName},
        {"aliased_import", Kind::AliasedImport},
        {"expression_statement", Kind::ExpressionStatement},
        {"return_statement", Kind::ReturnStatement},
        {"assert_statement", Kind::AssertStatement},
        {"delete_statement", Kind::DeleteStatement},
        {"raise_statement", Kind::RaiseStatement},
        {"global_statement", Kind::GlobalStatement},
        {"nonlocal_statement", Kind::NonlocalStatement},
        {"print_statement", Kind::PrintStatement},
        {"exec_statement", Kind::ExecStatement},
        {"type_alias_statement", Kind::TypeAliasStatement},
        {"method_declaration", Kind::MethodDeclaration},
        {"type_declaration", Kind::TypeDeclaration},
        {"type_spec", Kind::TypeSpec},
        {"interface_type", Kind::InterfaceType},
        {"import_spec", Kind::ImportSpec},
        {"interpreted_string_literal", Kind::InterpretedStringLiteral},
    };
    auto g = std::make_unique<Grammar>();
    const uint32_t count = ts_language_symbol_count(lang);
    g->kinds.assign(count, Kind::Other);
    for (uint32_t s = 0; s < count; ++s) {
        const char* n = ts_language_symbol_name(lang, static_cast<TSSymbol>(s));
        if (!n) continue;
        for (const auto& [name, kind] : names)
            if (std::strcmp(n, name) == 0) g->kinds[s] = kind;
    }
    auto field_id = [lang](std::string_view f) {
        return ts_language_field_id_for_name(lang, f.data(), static_cast<uint32_t>(f.size()));
    };
    g->name = field_id("name");
    g->value = field_id("value");
    g->source = field_id("source");
    g->function = field_id("function");
    g->arguments = field_id("arguments");
    g->module_name = field_id("module_name");
    g->type = field_id("type");
    slot = std::move(g);
    return *slot;
}

bool ts_is_exported_parent(TSNode parent) {
    if (ts_node_is_null(parent)) return false;
    const std::string_view t = type_of(parent);
    return t == "export_statement" || t == "export_clause" || t == "export_default_declaration";
}

}  // namespace vorlane_ast
