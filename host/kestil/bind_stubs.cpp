#include "host/kestil/bindings.hpp"
namespace kestil_host {
void bind_graph_file(py::module_&) {}
void bind_scoring(py::module_&) {}
void bind_capability(py::module_&) {}
void bind_retrieve(py::module_&) {}
}  // namespace kestil_host
