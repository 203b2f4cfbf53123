#include "host/common/convert.hpp"
#include "host/vorlane/bindings.hpp"

namespace host::vorlane_bind {

void bind_walk_scan(py::module_&) {}

}  // namespace host::vorlane_bind
