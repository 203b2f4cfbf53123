#include "host/bundrel/bindings.hpp"
#include "host/common/convert.hpp"
#include "host/common/module_init.hpp"

namespace {

// Start-up order: the retrieval engine's functions first (the module cannot load
// without them), then the module's own functions.
void init_bundrel(pybind11::module_& m) {
    using namespace host::bundrel_bind;
    host::register_errors();
    bind_siblings(m);
    bind_summaries(m);
    bind_excerpts(m);
    bind_pack(m);
    bind_command(m);
}

}  // namespace

TARVELLE_MODULE(bundrel,
                "Compact, token-efficient context for the coding agent: the relevant files, their key code, "
                "recommended reads and key relationships in one markdown block.",
                init_bundrel)
