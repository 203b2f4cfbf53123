// The query pipeline and the bundrel command. Every step is called through the module's
// attributes, so a replaced binding is obeyed.
#include "core/paths.hpp"
#include "host/bundrel/bindings.hpp"
#include "host/common/convert.hpp"
#include "host/common/streams.hpp"

namespace host::bundrel_bind {

namespace {

constexpr const char* kUsage = "Usage: bundrel \"your query\" [project_root]\n";

py::object pack_for_query(const py::module_& m, py::object query, py::object project_root, py::object token_budget) {
    py::object graph = m.attr("_kestil_load_graph")();
    py::object result = m.attr("_kestil_retrieve")(graph, query, py::arg("top_files") = 8, py::arg("top_edges") = 40);
    py::object summaries = m.attr("load_summaries")(project_root);
    return m.attr("pack")(py::arg("retrieve_result") = result, py::arg("summaries") = summaries,
                          py::arg("graph") = graph, py::arg("project_root") = project_root,
                          py::arg("token_budget") = token_budget);
}

void main_command(const py::module_& m) {
    py::list argv = py::module_::import("sys").attr("argv");
    if (argv.size() < 2) {
        write_stderr(kUsage);
        exit_status(1);
    }
    py::object query = argv[1];
    const std::string root = argv.size() > 2 ? fspath(argv[2]) : std::string(".");
    py::object resolved = py::module_::import("pathlib").attr("Path")(to_str(core::paths::resolve(root)));
    py::object block = m.attr("pack_for_query")(query, resolved);
    write_stdout(text_form(block) + "\n");
}

}  // namespace

void bind_command(py::module_& m) {
    m.def(
        "pack_for_query",
        [m](py::object query, py::object project_root, py::object token_budget) {
            return pack_for_query(m, query, project_root, token_budget);
        },
        py::arg("query"), py::arg("project_root"), py::arg("token_budget") = 5000,
        "Loads the graph, retrieves for the query, loads the project's summaries and packs the context block.");
    m.def(
        "main", [m]() { main_command(m); }, "The command: bundrel \"your query\" [project_root].");
}

}  // namespace host::bundrel_bind
