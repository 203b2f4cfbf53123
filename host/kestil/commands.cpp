#include "host/kestil/commands.hpp"

namespace kestil_host {

void bind_commands(pybind11::module_&) {}

}  // namespace kestil_host
