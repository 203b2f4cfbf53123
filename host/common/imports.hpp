#pragma once
// Names bound from a sibling module with the host's own import statement, so that a
// missing module or name fails with the host's ImportError and its wording, and every
// fall-back of the host's import system applies.
#include <pybind11/pybind11.h>

#include <initializer_list>

namespace host {

namespace py = pybind11;

// `from <module> import <names>`, run by the host; the names bound, by name.
py::dict from_import(const char* module, std::initializer_list<const char*> names);

}  // namespace host
