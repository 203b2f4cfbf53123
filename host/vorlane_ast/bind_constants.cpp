// The constant tables, as the host's sets and integers.
#include "graph/vorlane_ast/constants.hpp"
#include "host/vorlane_ast/bindings.hpp"

namespace host::vorlane_ast_bind {

void bind_constants(py::module_& m) {
    py::set skip;
    for (std::string_view d : vorlane_ast::kSkipDirs) skip.add(py::str(d.data(), d.size()));
    m.attr("SKIP_DIRS") = skip;
    m.attr("MAX_FILE_BYTES") = py::int_(vorlane_ast::kMaxFileBytes);
    m.attr("MAX_CONTENT_CHARS") = py::int_(vorlane_ast::kMaxContentChars);
    py::set exts;
    for (std::string_view e : vorlane_ast::kSymbolExts) exts.add(py::str(e.data(), e.size()));
    m.attr("SYMBOL_EXTS") = exts;
}

}  // namespace host::vorlane_ast_bind
