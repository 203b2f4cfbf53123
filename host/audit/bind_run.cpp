// Score, roadmap, report, context file, the audit run and the command.
#include "host/audit/bindings.hpp"
#include "host/common/convert.hpp"

namespace host::audit_bind {

void bind_run(py::module_&) {}

}  // namespace host::audit_bind
