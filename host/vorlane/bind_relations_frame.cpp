#include "host/common/convert.hpp"
#include "host/vorlane/bindings.hpp"

namespace host::vorlane_bind {

void bind_relations_frame(py::module_&) {}

}  // namespace host::vorlane_bind
