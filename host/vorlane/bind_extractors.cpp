#include "host/common/convert.hpp"
#include "host/vorlane/bindings.hpp"

namespace host::vorlane_bind {

void bind_extractors(py::module_&) {}

}  // namespace host::vorlane_bind
