#pragma once
// The launcher module's parts: the option parser and the pipeline with its graph
// bootstrap. Each function reads the siblings' bound names from the module at call time.
#include <pybind11/pybind11.h>

namespace host::wendle_bind {

namespace py = pybind11;

void bind_parser(py::module_& m);
void bind_pipeline(py::module_& m);

}  // namespace host::wendle_bind
