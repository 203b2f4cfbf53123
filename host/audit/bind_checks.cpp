// The seven checks as host functions; each pattern constant is made just before the
// first check that uses it.
#include "audit/circular_deps.hpp"
#include "audit/copy_paste.hpp"
#include "audit/dead_exports.hpp"
#include "audit/patterns.hpp"
#include "audit/test_coverage.hpp"
#include "host/audit/bindings.hpp"
#include "host/common/convert.hpp"

namespace host::audit_bind {

void bind_checks(py::module_& m) {
    m.def(
        "check_dead_exports", [](py::handle graph) { return to_py(audit::check_dead_exports(map_arg(graph, "graph"))); },
        py::arg("graph"), "Exported symbols that no import, reference or containment edge targets (at most 50).");
    audit::test_pat();
    m.attr("TEST_PAT") = host_pattern("TEST_PAT");
    m.def(
        "check_test_coverage",
        [](py::handle graph, py::handle root) {
            const core::Json g = map_arg(graph, "graph");
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
        "check_circular_deps", [](py::handle graph) { return to_py(audit::check_circular_deps(map_arg(graph, "graph"))); },
        py::arg("graph"), "Import and reference cycles among the graph's ids.");
    m.def(
        "check_copy_paste", [](py::handle graph) { return to_py(audit::check_copy_paste(map_arg(graph, "graph"))); },
        py::arg("graph"), "Groups of source symbols with one body hash, spanning at least 10 rows (at most 12).");
}

}  // namespace host::audit_bind
