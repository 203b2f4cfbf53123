#pragma once
// The host's Node record, which both graph builders' modules offer: a dataclass with the
// node's fields in the order of the key lists of core/records.hpp, their types and
// defaults, and `as_dict`. Made per import (a module imported twice under two names has
// a class of its own each time), by the host's own dataclasses machinery.
#include <pybind11/pybind11.h>

namespace host {

// The Node class of the module named `module_name`.
pybind11::object make_node_class(pybind11::handle module_name);

}  // namespace host
