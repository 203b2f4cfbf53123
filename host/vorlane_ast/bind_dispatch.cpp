// The extraction dispatch and its pattern fallback.
#include "host/vorlane_ast/bindings.hpp"

namespace vorlane_ast_host {

void bind_dispatch(py::module_&) {}

}  // namespace vorlane_ast_host
