// Score, roadmap, report, context file, the audit run and the command.
#include "audit/score_roadmap.hpp"
#include "host/audit/bindings.hpp"
#include "host/common/convert.hpp"

namespace host::audit_bind {

void bind_run(py::module_& m) {
    m.def(
        "debt_score", [](py::handle r) { return audit::debt_score(map_arg(r, "r")); }, py::arg("r"),
        "The debt score of a results map: 0 (healthy) to 100.");
    m.def(
        "fix_roadmap", [](py::handle r) { return to_py(audit::fix_roadmap(map_arg(r, "r"))); }, py::arg("r"),
        "At most six fix tasks {week, label, files, why} for a results map, in a fixed order.");
}

}  // namespace host::audit_bind
