// The walker, summaries, keywords and structural peers of the module.
#include "host/vorlane_ast/bindings.hpp"

namespace vorlane_ast_host {

void bind_pipeline(py::module_&) {}

}  // namespace vorlane_ast_host
