#include "host/common/convert.hpp"
#include "host/common/module_init.hpp"
#include "host/vorlane_ast/bindings.hpp"

namespace {

// Start-up order: the runtime and grammar attempts (the warning line, if any, comes
// first), the constant tables, the Node record, then the operations and the peer table.
void init_vorlane_ast(pybind11::module_& m) {
    using namespace host::vorlane_ast_bind;
    host::register_errors();
    bind_languages(m);
    bind_constants(m);
    bind_records(m);
    bind_extractors(m);
    bind_dispatch(m);
    bind_pipeline(m);
    bind_scan_command(m);
}

}  // namespace

TARVELLE_MODULE(vorlane_ast, "Syntax-tree graph builder: scans a project tree into the information graph.",
                init_vorlane_ast)
