#include "host/common/convert.hpp"
#include "host/common/module_init.hpp"
#include "host/vorlane/bindings.hpp"

namespace {

// Order of the module's start-up: constants, the Node record class, then the functions.
void init_vorlane(pybind11::module_& m) {
    using namespace host::vorlane_bind;
    host::register_errors();
    bind_walk_scan(m);
    bind_records(m);
    bind_relations_frame(m);
    bind_extractors(m);
    bind_summary_keywords(m);
}

}  // namespace

TARVELLE_MODULE(vorlane, "Pattern-based graph builder: scans a project tree into the information graph.", init_vorlane)
