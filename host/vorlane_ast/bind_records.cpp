// The module's Node record: the host's dataclass with the graph node's fields, defaults
// and as_dict, made per import like the pattern-based builder's (host/common/node_record).
#include "host/common/node_record.hpp"
#include "host/vorlane_ast/bindings.hpp"

namespace host::vorlane_ast_bind {

void bind_records(py::module_& m) { m.attr("Node") = host::make_node_class(m.attr("__name__")); }

}  // namespace host::vorlane_ast_bind
