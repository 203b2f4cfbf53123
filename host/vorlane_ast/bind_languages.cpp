// The module's two loading attempts. The first loads the TypeScript, JavaScript and
// Python grammars and the runtime as one unit and prints the warning line when any step
// fails; the second loads the Go grammar on its own and fails silently.
#include "host/common/convert.hpp"
#include "host/common/streams.hpp"
#include "host/vorlane_ast/bindings.hpp"

namespace host::vorlane_ast_bind {

namespace {

bool is_exception(py::error_already_set& e) { return e.matches(PyExc_Exception); }

void bind_runtime(py::module_& m) {
    py::module_ ts = py::module_::import("tree_sitter");
    py::object language = ts.attr("Language"), parser = ts.attr("Parser"), node = ts.attr("Node");
    m.attr("Language") = language;
    m.attr("Parser") = parser;
    m.attr("TSNode") = node;
}

}  // namespace

void bind_languages(py::module_& m) {
    bool available = false;
    try {
        py::module_ typescript = py::module_::import("tree_sitter_typescript");
        py::module_ javascript = py::module_::import("tree_sitter_javascript");
        py::module_ python = py::module_::import("tree_sitter_python");
        bind_runtime(m);
        py::object language = m.attr("Language");
        m.attr("_LANG_TS") = language(typescript.attr("language_typescript")());
        m.attr("_LANG_TSX") = language(typescript.attr("language_tsx")());
        m.attr("_LANG_JS") = language(javascript.attr("language")());
        m.attr("_LANG_PY") = language(python.attr("language")());
        available = true;
    } catch (py::error_already_set& e) {
        if (!is_exception(e)) throw;
        const std::string message = host::utf8_lenient(py::str(e.value()));
        host::write_stdout("[warn] tree-sitter not available, falling back to regex: " + message + "\n");
    }
    m.attr("_AST_AVAILABLE") = py::bool_(available);

    m.attr("_LANG_GO") = py::none();
    try {
        py::module_ go = py::module_::import("tree_sitter_go");
        if (!available) bind_runtime(m);
        m.attr("_LANG_GO") = m.attr("Language")(go.attr("language")());
    } catch (py::error_already_set& e) {
        if (!is_exception(e)) throw;
    }
}

}  // namespace host::vorlane_ast_bind
