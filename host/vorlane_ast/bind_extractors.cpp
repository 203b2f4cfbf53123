// _node_text, _ts_is_exported and the syntax-tree symbol and import extractors.
#include "host/vorlane_ast/bindings.hpp"

namespace vorlane_ast_host {

void bind_extractors(py::module_&) {}

}  // namespace vorlane_ast_host
