// The three functions of the retrieval engine the packer binds at load. The binding is
// the host's own import statement, so a missing module or name fails the load with
// the host's ImportError and its wording.
#include "host/bundrel/bindings.hpp"
#include "host/common/imports.hpp"

namespace host::bundrel_bind {

void bind_siblings(py::module_& m) {
    const py::dict ns = from_import("tarvelle.kestil", {"retrieve", "load_graph", "classify_intent"});
    m.attr("_kestil_retrieve") = ns["retrieve"];
    m.attr("_kestil_load_graph") = ns["load_graph"];
    m.attr("_classify_intent") = ns["classify_intent"];
}

}  // namespace host::bundrel_bind
