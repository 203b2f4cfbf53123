#include "host/audit/bindings.hpp"
#include "host/common/convert.hpp"
#include "host/common/module_init.hpp"

namespace {

void init_audit(pybind11::module_& m) {
    using namespace host::audit_bind;
    host::register_errors();
    bind_readers(m);
    bind_checks(m);
    bind_run(m);
}

}  // namespace

TARVELLE_MODULE(audit, "Code-health auditor: checks a project's information graph and sources.", init_audit)
