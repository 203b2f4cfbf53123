// Start-up of tarvelle.kestil: bind the builder's scan, fix the data locations, declare
// the record classes, then define the operations in their documented order.
#include "host/common/convert.hpp"
#include "host/common/imports.hpp"
#include "host/common/module_init.hpp"
#include "host/kestil/bindings.hpp"
#include "host/kestil/commands.hpp"

namespace {

void init_kestil(pybind11::module_& m) {
    using namespace host::kestil_bind;
    host::register_errors();
    // The builder is a hard requirement: a missing module or name fails the import
    // with the host's own ImportError and its wording.
    m.attr("scan") = host::from_import("tarvelle.vorlane", {"scan"})["scan"];
    bind_constants(m);
    bind_records(m);
    bind_graph_file(m);
    bind_query(m);
    bind_scoring(m);
    bind_capability(m);
    bind_retrieve(m);
    bind_commands(m);
}

}  // namespace

TARVELLE_MODULE(kestil, "Nimbrel starter CLI for Claude Code style hook integration.", init_kestil)
