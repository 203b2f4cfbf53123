#pragma once
// Symbol records and edges as the host's lists of maps, keys in record order (the
// forms core/records.hpp makes): what both graph builders' extractors return.
#include <pybind11/pybind11.h>

#include <vector>

#include "core/records.hpp"

namespace host {

namespace py = pybind11;

py::list symbols_to_py(const std::vector<core::SymbolRecord>& syms);
py::list edges_to_py(const std::vector<core::Edge>& edges);

}  // namespace host
