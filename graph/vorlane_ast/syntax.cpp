#include "graph/vorlane_ast/syntax.hpp"

#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "core/text.hpp"

namespace vorlane_ast {

namespace {

// The parse budget: kBaseReports progress reports, and one more per kBytesPerReport
// bytes of the text (each report stands for 100 parse steps). Over 16,011 files of real
// trees (145 MB of Python, Go, JavaScript and TypeScript: this project, npm, the host's
// library with its site packages, Go's standard library, rxjs, lodash-es) a parse made
// at most 0.029 reports per byte (0.0075 on average) and 3,850 in all; no file used
// more than 10% of its budget, no file under 1,000 bytes more than 18 reports. A text
// that sends a grammar into a parse without end takes about half a second and 15 MB to
// run out of the base alone, and memory and time grow with the reports it makes.
constexpr std::uint64_t kBaseReports = 1000;
constexpr std::uint64_t kBytesPerReport = 4;

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

// What the progress reports of one parse read and count.
struct Progress {
    std::string_view source;
    std::uint64_t budget;
    const core::StopFlag* stop;
    std::uint64_t reports = 0;
    bool stopped = false;
};

const char* read_source(void* payload, uint32_t byte, TSPoint, uint32_t* length) {
    const std::string_view s = static_cast<Progress*>(payload)->source;
    if (byte >= s.size()) {
        *length = 0;
        return "";
    }
    *length = static_cast<uint32_t>(s.size() - byte);
    return s.data() + byte;
}

// Called by the runtime every 100 parse steps; true ends the parse.
bool on_progress(TSParseState* state) {
    auto* p = static_cast<Progress*>(state->payload);
    if (p->stop && p->stop->requested()) {
        p->stopped = true;
        return true;
    }
    return ++p->reports > p->budget;
}

}  // namespace

std::uint64_t parse_budget(std::size_t bytes) { return kBaseReports + std::uint64_t{bytes} / kBytesPerReport; }

SyntaxTree::SyntaxTree(const TSLanguage* lang, std::string_view source, const core::StopFlag* stop) {
    if (!lang) throw std::runtime_error("Incompatible language version");
    TSParser* parser = thread_parser(lang);
    Progress progress{source, parse_budget(source.size()), stop};
    const TSInput input{&progress, read_source, TSInputEncodingUTF8, nullptr};
    tree_.reset(ts_parser_parse_with_options(parser, nullptr, input, TSParseOptions{&progress, on_progress}));
    reports_ = progress.reports;
    if (tree_) return;
    // A parse ended part way would otherwise be resumed by the next one.
    ts_parser_reset(parser);
    if (progress.stopped) throw core::Stopped();
    // A parse given up at its budget leaves the tree unparsed; any other end without a
    // tree (an external scanner's failure) is an error.
    if (progress.reports <= progress.budget) throw std::runtime_error("Parsing failed");
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
