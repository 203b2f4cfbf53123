// The extraction dispatch and its pattern fallback.
#include "graph/vorlane_ast/dispatch.hpp"

#include "host/common/convert.hpp"
#include "host/vorlane_ast/bindings.hpp"
#include "host/vorlane_ast/support.hpp"

namespace host::vorlane_ast_bind {

void bind_dispatch(py::module_& m) {
    py::object mod = m;
    m.def(
        "_extract_symbols",
        [mod](py::handle content, py::handle file_id, py::handle ext) -> py::object {
            const vorlane_ast::Languages l = languages_of(mod);
            const std::string e = host::utf8_lenient(ext);
            if (!vorlane_ast::ast_takes(l, e)) return fallback_symbols(content, file_id, e);
            const std::string text = utf8_ignore(content), id = host::utf8_lenient(file_id);
            graph_kit::Symbols s;
            // Set when the parse is given up: the file then takes the host's fallback, as a file
            // whose grammar did not load does.
            bool given_up = false;
            {
                py::gil_scoped_release unlocked;
                s = vorlane_ast::extract_symbols(l, text, id, e,
                                                 [&](std::string_view, std::string_view, std::string_view) {
                                                     given_up = true;
                                                     return graph_kit::Symbols{};
                                                 });
            }
            if (given_up) return fallback_symbols(content, file_id, e);
            return symbols_to_py(s);
        },
        py::arg("content"), py::arg("file_id"), py::arg("ext"),
        "The symbols of a file: from its syntax tree where its grammar loaded, else from the pattern-based builder.");
    m.def(
        "_extract_imports",
        [mod](py::handle content, py::handle file_id, py::handle ext, py::handle /*root*/) {
            const vorlane_ast::Languages l = languages_of(mod);
            const std::string text = utf8_ignore(content), id = host::utf8_lenient(file_id),
                              e = host::utf8_lenient(ext);
            std::vector<core::Edge> r;
            {
                py::gil_scoped_release unlocked;
                r = vorlane_ast::extract_imports(l, text, id, e);
            }
            return edges_to_py(r);
        },
        py::arg("content"), py::arg("file_id"), py::arg("ext"), py::arg("root"),
        "The import edges of a file: from its syntax tree where its grammar loaded, else from the fixed patterns.");
    m.def(
        "_parse_relations_regex",
        [](py::handle file_id, py::handle text) {
            const std::string id = host::utf8_lenient(file_id), t = utf8_ignore(text);
            std::vector<core::Edge> r;
            {
                py::gil_scoped_release unlocked;
                r = vorlane_ast::parse_relations_regex(id, t);
            }
            return edges_to_py(r);
        },
        py::arg("file_id"), py::arg("text"), "The edges of the five fixed import patterns, pattern by pattern.");
}

}  // namespace host::vorlane_ast_bind
