#pragma once
// The command-line part of the kestil module: the action log, the sub-command
// handlers, the parser and main. Bound after the retrieval functions.
#include <pybind11/pybind11.h>

namespace host::kestil_bind {

void bind_commands(pybind11::module_& m);

}  // namespace host::kestil_bind
