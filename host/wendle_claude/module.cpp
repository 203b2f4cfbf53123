// Start-up of the launcher: its own directory first on the module search path, then the
// names it takes from the context packer, the retrieval engine and the graph builder.
#include <string>

#include "core/paths.hpp"
#include "host/common/convert.hpp"
#include "host/common/imports.hpp"
#include "host/common/module_init.hpp"
#include "host/wendle_claude/bindings.hpp"

namespace {

namespace py = pybind11;
using host::from_import;

void init_wendle_claude(py::module_& m) {
    host::register_errors();
    // The host facilities the launcher works with, loaded with the module.
    for (const char* name : {"argparse", "os", "sys", "time", "pathlib"}) py::module_::import(name);

    const std::string file = host::fspath(m.attr("__file__"));
    const std::string bin_dir = core::paths::parent(core::paths::resolve(file));
    m.attr("_BIN_DIR") = py::module_::import("pathlib").attr("Path")(host::to_str(bin_dir));
    py::list sys_path = py::module_::import("sys").attr("path");
    const py::str text = host::to_str(bin_dir);
    if (!sys_path.contains(text)) sys_path.insert(0, text);

    struct Binding {
        const char* module;
        std::initializer_list<const char*> names;
    };
    for (const Binding& b : {Binding{"tarvelle.bundrel", {"estimate_tokens", "pack", "load_summaries"}},
                             Binding{"tarvelle.kestil", {"load_graph", "retrieve", "classify_intent"}},
                             Binding{"tarvelle.vorlane", {"scan"}}}) {
        const py::dict bound = from_import(b.module, b.names);
        for (const char* n : b.names) m.attr(n) = bound[n];
    }
    host::wendle_bind::bind_parser(m);
    host::wendle_bind::bind_pipeline(m);
}

}  // namespace

TARVELLE_MODULE(wendle_claude,
                "Pre-injection wrapper: retrieves and packs context for a question, then starts the agent's "
                "command-line tool with it.",
                init_wendle_claude)
