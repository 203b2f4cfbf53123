#include "host/kestil/bindings.hpp"
namespace kestil_host {
void bind_graph_file(py::module_&) {}
}  // namespace kestil_host
