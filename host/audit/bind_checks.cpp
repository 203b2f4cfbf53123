// The seven checks as host functions; each pattern constant is made just before the
// first check that uses it.
#include "audit/circular_deps.hpp"
#include "audit/copy_paste.hpp"
#include "audit/db_in_routes.hpp"
#include "audit/dead_exports.hpp"
#include "audit/error_handling.hpp"
#include "audit/patterns.hpp"
#include "audit/test_coverage.hpp"
#include "audit/todos.hpp"
#include "core/parallel.hpp"
#include "host/audit/bindings.hpp"
#include "host/common/convert.hpp"
#include "host/common/interrupt.hpp"

namespace host::audit_bind {

namespace {

// A check over the graph and the project's sources, run without the interpreter's lock;
// an interrupt ends it between files.
template <class Check>
py::object source_check(Check check, py::handle graph, py::handle root) {
    const core::Json g = graph_arg(graph);
    const std::string r = fspath(root);
    core::Json out;
    host::run_interruptible([&](const core::StopFlag& stop) {
        out = check(g, audit::project_reader(r, &stop), core::thread_budget(), &stop);
    });
    return to_py(out);
}

}  // namespace

void bind_checks(py::module_& m) {
    m.def(
        "check_dead_exports", [](py::handle graph) { return to_py(audit::check_dead_exports(graph_arg(graph))); },
        py::arg("graph"), "Exported symbols that no import, reference or containment edge targets (at most 50).");
    audit::test_pat();
    m.attr("TEST_PAT") = host_pattern("TEST_PAT");
    m.def(
        "check_test_coverage",
        [](py::handle graph, py::handle root) {
            const core::Json g = graph_arg(graph);
            const std::string r = fspath(root);
            core::Json out;
            {
                py::gil_scoped_release unlocked;
                out = audit::check_test_coverage(g, r);
            }
            return to_py(out);
        },
        py::arg("graph"), py::arg("root"), "Share of code files with a matching test file, and the largest untested.");
    m.def(
        "check_circular_deps", [](py::handle graph) { return to_py(audit::check_circular_deps(graph_arg(graph))); },
        py::arg("graph"), "Import and reference cycles among the graph's ids.");
    m.def(
        "check_copy_paste", [](py::handle graph) { return to_py(audit::check_copy_paste(graph_arg(graph))); },
        py::arg("graph"), "Groups of source symbols with one body hash, spanning at least 10 rows (at most 12).");
    audit::db_re();
    m.attr("DB_RE") = host_pattern("DB_RE");
    audit::route_re();
    m.attr("ROUTE_RE") = host_pattern("ROUTE_RE");
    m.def(
        "check_db_in_routes",
        [](py::handle graph, py::handle root) { return source_check(&audit::check_db_in_routes, graph, root); },
        py::arg("graph"), py::arg("root"), "Route-like source files that call a database directly (at most 10).");
    audit::todo_re();
    m.attr("TODO_RE") = host_pattern("TODO_RE");
    m.def(
        "check_todos", [](py::handle graph, py::handle root) { return source_check(&audit::check_todos, graph, root); },
        py::arg("graph"), py::arg("root"), "TODO, FIXME, HACK and XXX markers of the source files (at most 40).");
    audit::external_re();
    m.attr("EXTERNAL_RE") = host_pattern("EXTERNAL_RE");
    audit::err_re();
    m.attr("ERR_RE") = host_pattern("ERR_RE");
    m.def(
        "check_missing_error_handling",
        [](py::handle graph, py::handle root) {
            return source_check(&audit::check_missing_error_handling, graph, root);
        },
        py::arg("graph"), py::arg("root"), "Symbols making external calls with no error handling (at most 25).");
}

}  // namespace host::audit_bind
