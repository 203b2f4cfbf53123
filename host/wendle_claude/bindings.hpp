#pragma once
// The launcher module's parts: the option parser and the pipeline with its graph
// bootstrap. Each function reads the siblings' bound names from the module at call time.
#include <pybind11/pybind11.h>

#include <initializer_list>

namespace host::wendle_bind {

namespace py = pybind11;

// `from <module> import <names>` with the host's own statement (its messages and its
// fall-backs), returning the names bound.
py::dict from_import(const char* module, std::initializer_list<const char*> names);

void bind_parser(py::module_& m);
void bind_pipeline(py::module_& m);

}  // namespace host::wendle_bind
