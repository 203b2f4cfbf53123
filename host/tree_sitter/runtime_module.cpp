// The tree-sitter runtime as the host imports it: Language, Parser, Tree and Node.
// A node holds its tree (and the parsed bytes) alive; every operation is the runtime's
// own, so a node costs a few words and `children` is linear in the child count.
#include <tree_sitter/api.h>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>

#include "host/tree_sitter/grammar.hpp"

namespace py = pybind11;

namespace {

using host::tree_sitter_bind::kLanguageCapsule;

struct Language {
    const TSLanguage* lang = nullptr;
    py::object handle;  // keeps the grammar module's capsule (and with it the table) alive
};

Language make_language(py::object handle) {
    if (!PyCapsule_IsValid(handle.ptr(), kLanguageCapsule))
        throw py::type_error("Language() expects a grammar's language handle");
    auto* lang = static_cast<const TSLanguage*>(PyCapsule_GetPointer(handle.ptr(), kLanguageCapsule));
    const uint32_t abi = ts_language_abi_version(lang);
    if (abi < TREE_SITTER_MIN_COMPATIBLE_LANGUAGE_VERSION || abi > TREE_SITTER_LANGUAGE_VERSION)
        throw py::value_error("Incompatible language version " + std::to_string(abi));
    return Language{lang, std::move(handle)};
}

struct TreeHolder {
    TSTree* tree;
    std::string source;
    py::object language;
    TreeHolder(TSTree* t, std::string src, py::object lang)
        : tree(t), source(std::move(src)), language(std::move(lang)) {}
    TreeHolder(const TreeHolder&) = delete;
    TreeHolder& operator=(const TreeHolder&) = delete;
    ~TreeHolder() { ts_tree_delete(tree); }
};

struct Node {
    TSNode node;
    std::shared_ptr<TreeHolder> tree;
};

py::object wrap(TSNode n, const std::shared_ptr<TreeHolder>& tree) {
    if (ts_node_is_null(n)) return py::none();
    return py::cast(Node{n, tree});
}

struct Tree {
    std::shared_ptr<TreeHolder> holder;
};

struct Parser {
    std::optional<Language> language;

    Tree parse(const py::bytes& source) {
        if (!language) throw py::value_error("Parser has no language");
        std::string text = source;
        TSParser* p = ts_parser_new();
        TSTree* tree = nullptr;
        {
            py::gil_scoped_release unlocked;
            ts_parser_set_language(p, language->lang);
            tree = ts_parser_parse_string(p, nullptr, text.data(), static_cast<uint32_t>(text.size()));
            ts_parser_delete(p);
        }
        if (!tree) throw py::value_error("Parsing failed");
        return Tree{std::make_shared<TreeHolder>(tree, std::move(text), language->handle)};
    }
};

py::tuple point(TSPoint p) { return py::make_tuple(p.row, p.column); }

}  // namespace

PYBIND11_MODULE(tree_sitter, m) {
    m.doc() = "The tree-sitter parsing runtime: Language, Parser, Tree and Node.";
    m.attr("LANGUAGE_VERSION") = TREE_SITTER_LANGUAGE_VERSION;
    m.attr("MIN_COMPATIBLE_LANGUAGE_VERSION") = TREE_SITTER_MIN_COMPATIBLE_LANGUAGE_VERSION;

    py::class_<Language>(m, "Language", "A grammar's language.")
        .def(py::init(&make_language), py::arg("handle"))
        .def_property_readonly("abi_version", [](const Language& l) { return ts_language_abi_version(l.lang); })
        .def_property_readonly("node_kind_count", [](const Language& l) { return ts_language_symbol_count(l.lang); })
        .def_property_readonly(
            "_handle", [](const Language& l) { return l.handle; },
            "The grammar's language handle this language was made from.");

    py::class_<Node>(m, "Node", "A syntax node.")
        .def_property_readonly("type", [](const Node& n) { return std::string(ts_node_type(n.node)); })
        .def_property_readonly("is_named", [](const Node& n) { return ts_node_is_named(n.node); })
        .def_property_readonly("start_byte", [](const Node& n) { return ts_node_start_byte(n.node); })
        .def_property_readonly("end_byte", [](const Node& n) { return ts_node_end_byte(n.node); })
        .def_property_readonly("start_point", [](const Node& n) { return point(ts_node_start_point(n.node)); })
        .def_property_readonly("end_point", [](const Node& n) { return point(ts_node_end_point(n.node)); })
        .def_property_readonly("parent", [](const Node& n) { return wrap(ts_node_parent(n.node), n.tree); })
        .def_property_readonly("child_count", [](const Node& n) { return ts_node_child_count(n.node); })
        .def_property_readonly("children",
                               [](const Node& n) {
                                   py::list out;
                                   const uint32_t count = ts_node_child_count(n.node);
                                   for (uint32_t i = 0; i < count; ++i)
                                       out.append(wrap(ts_node_child(n.node, i), n.tree));
                                   return out;
                               })
        .def(
            "child_by_field_name",
            [](const Node& n, const std::string& field) {
                return wrap(ts_node_child_by_field_name(n.node, field.data(), static_cast<uint32_t>(field.size())),
                            n.tree);
            },
            py::arg("name"))
        .def_property_readonly("text",
                               [](const Node& n) {
                                   const auto& src = n.tree->source;
                                   const uint32_t b = ts_node_start_byte(n.node), e = ts_node_end_byte(n.node);
                                   return py::bytes(src.data() + b, e - b);
                               })
        .def("__eq__", [](const Node& a, const Node& b) { return ts_node_eq(a.node, b.node); })
        .def("__hash__",
             [](const Node& n) {
                 return py::hash(py::make_tuple(ts_node_start_byte(n.node), ts_node_end_byte(n.node),
                                                std::string(ts_node_type(n.node))));
             })
        .def("__repr__", [](const Node& n) {
            const TSPoint s = ts_node_start_point(n.node), e = ts_node_end_point(n.node);
            return "<Node type=" + std::string(ts_node_type(n.node)) + ", start_point=(" + std::to_string(s.row) +
                   ", " + std::to_string(s.column) + "), end_point=(" + std::to_string(e.row) + ", " +
                   std::to_string(e.column) + ")>";
        });

    py::class_<Tree>(m, "Tree", "A syntax tree.").def_property_readonly("root_node", [](const Tree& t) {
        return wrap(ts_tree_root_node(t.holder->tree), t.holder);
    });

    py::class_<Parser>(m, "Parser", "A parser for one language.")
        .def(py::init([](std::optional<Language> lang) { return Parser{std::move(lang)}; }),
             py::arg("language") = py::none())
        .def_property(
            "language", [](const Parser& p) -> py::object { return p.language ? py::cast(*p.language) : py::none(); },
            [](Parser& p, std::optional<Language> lang) { p.language = std::move(lang); })
        .def("parse", &Parser::parse, py::arg("source"));
}
