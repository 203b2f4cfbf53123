#pragma once
// The pieces of the audit module, each bound in its own file, in the order the module
// defines them when it loads.
#include <pybind11/pybind11.h>

#include <string>

#include "core/json.hpp"

namespace host::audit_bind {

namespace py = pybind11;

void bind_readers(py::module_& m);  // _c, COLOR, CODE_EXTS, _load_graph, _read
void bind_checks(py::module_& m);   // the seven checks and the patterns they use
void bind_run(py::module_& m);      // debt_score, fix_roadmap, report, context file, run_audit, main

// A graph argument as the light view the checks read: `nodes` and `edges` with only the
// keys the auditor uses (never a file's content); TypeError for anything but a dict.
core::Json graph_arg(py::handle v);
// A results map, its `_graph` as the light view.
core::Json results_arg(py::handle v);
// A loaded graph as host values, built with the host's cycle collection paused.
py::object graph_to_py(const core::Json& graph);
// Compiles a host pattern object for a module constant (the checks use the C++ twin).
py::object host_pattern(std::string_view name);

}  // namespace host::audit_bind
