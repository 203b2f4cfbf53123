// _node_text, _ts_is_exported, _classify_ts_name and the syntax-tree extractors.
#include "graph/vorlane_ast/extractors.hpp"

#include "core/text.hpp"
#include "host/common/convert.hpp"
#include "host/vorlane_ast/bindings.hpp"
#include "host/vorlane_ast/support.hpp"

namespace host::vorlane_ast_bind {

namespace {

// src[node.start_byte:node.end_byte].decode("utf-8", "ignore")
py::str node_text(py::handle node, py::handle src) {
    py::object start = node.attr("start_byte"), end = node.attr("end_byte");
    py::object range = py::reinterpret_steal<py::object>(PySlice_New(start.ptr(), end.ptr(), nullptr));
    if (!range) throw py::error_already_set();
    PyObject* piece = PyObject_GetItem(src.ptr(), range.ptr());
    if (!piece) throw py::error_already_set();
    py::bytes bytes = py::reinterpret_steal<py::bytes>(piece);
    return host::to_str(core::decode_utf8_ignore(std::string(bytes)));
}

bool ts_is_exported(py::handle node) {
    py::object parent = node.attr("parent");
    if (parent.is_none()) return false;
    const py::object type = parent.attr("type");
    for (const char* t : {"export_statement", "export_clause", "export_default_declaration"})
        if (type.equal(py::str(t))) return true;
    return false;
}

}  // namespace

void bind_extractors(py::module_& m) {
    py::object mod = m;
    using Langs = vorlane_ast::Languages;
    m.def("_node_text", &node_text, py::arg("node"), py::arg("src"),
          "The source text under a syntax node, decoded with invalid bytes dropped.");
    m.def("_ts_is_exported", &ts_is_exported, py::arg("node"),
          "Whether the node's parent is an export statement, export clause or default export declaration.");
    m.def(
        "_classify_ts_name",
        [](py::handle name, bool exported) {
            const auto [type, confidence] = graph_kit::classify_ts(host::utf8(name), exported);
            return py::make_tuple(type, confidence);
        },
        py::arg("name"), py::arg("exported"), "The symbol type and confidence of a TypeScript name.");

    m.def(
        "extract_symbols_ts_ast",
        [mod](py::handle content, py::handle file_path, py::handle ext) {
            const Langs l = languages_of(mod);
            const std::string text = utf8_ignore(content), path = host::utf8_lenient(file_path),
                              e = host::utf8_lenient(ext);
            graph_kit::Symbols s;
            {
                py::gil_scoped_release unlocked;
                s = vorlane_ast::extract_symbols_ts_ast(l, text, path, e);
            }
            return symbols_to_py(s);
        },
        py::arg("content"), py::arg("file_path"), py::arg("ext"),
        "The symbols of a TypeScript, TSX, JavaScript or JSX text, from its syntax tree.");

    auto bind_two = [&](const char* name, auto fn, const char* doc, auto to_py) {
        m.def(
            name,
            [mod, fn, to_py](py::handle content, py::handle file_path) {
                const Langs l = languages_of(mod);
                const std::string text = utf8_ignore(content), path = host::utf8_lenient(file_path);
                decltype(fn(l, text, path)) r;
                {
                    py::gil_scoped_release unlocked;
                    r = fn(l, text, path);
                }
                return to_py(r);
            },
            py::arg("content"), py::arg("file_path"), doc);
    };
    auto syms = [](const graph_kit::Symbols& s) { return symbols_to_py(s); };
    auto edges = [](const std::vector<core::Edge>& e) { return edges_to_py(e); };
    bind_two("extract_symbols_py_ast", &vorlane_ast::extract_symbols_py_ast,
             "The symbols of a Python text, from its syntax tree.", syms);
    bind_two("extract_symbols_go_ast", &vorlane_ast::extract_symbols_go_ast,
             "The symbols of a Go text, from its syntax tree.", syms);
    bind_two("extract_imports_py_ast", &vorlane_ast::extract_imports_py_ast,
             "The import edges of a Python text, from its syntax tree.", edges);
    bind_two("extract_imports_go_ast", &vorlane_ast::extract_imports_go_ast,
             "The import edges of a Go text, from its syntax tree.", edges);

    m.def(
        "extract_imports_ts_ast",
        [mod](py::handle content, py::handle file_path, py::handle ext) {
            const Langs l = languages_of(mod);
            const std::string text = utf8_ignore(content), path = host::utf8_lenient(file_path),
                              e = host::utf8_lenient(ext);
            std::vector<core::Edge> r;
            {
                py::gil_scoped_release unlocked;
                r = vorlane_ast::extract_imports_ts_ast(l, text, path, e);
            }
            return edges_to_py(r);
        },
        py::arg("content"), py::arg("file_path"), py::arg("ext"),
        "The import and require edges of a TypeScript, TSX, JavaScript or JSX text, from its syntax tree.");
}

}  // namespace host::vorlane_ast_bind
