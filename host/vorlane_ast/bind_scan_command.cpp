// scan, the command and the comparison mode.
#include "host/vorlane_ast/bindings.hpp"

namespace vorlane_ast_host {

void bind_scan_command(py::module_& m) {
    m.def("main", [] {}, "Runs the command.");
}

}  // namespace vorlane_ast_host
