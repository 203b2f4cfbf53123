// ensure_data_dir and load_graph. Both read the module's path constants at call time,
// and load_graph calls the module's scan and ensure_data_dir attributes, so a caller
// that redirects them is obeyed.
#include "core/fs.hpp"
#include "host/common/convert.hpp"
#include "host/common/graph_json.hpp"
#include "host/kestil/bindings.hpp"

namespace host::kestil_bind {

namespace {

// The JSON kind of a value found where the graph's map belongs.
const char* json_kind(PyObject* o) {
    if (o == Py_None) return "null";
    if (PyBool_Check(o)) return "bool";
    if (PyLong_Check(o)) return "int";
    if (PyFloat_Check(o)) return "float";
    if (PyUnicode_Check(o)) return "str";
    if (PyList_Check(o)) return "list";
    return Py_TYPE(o)->tp_name;
}

py::object load_graph(py::module_ m) {
    py::object path_obj = m.attr("GRAPH_JSON");
    const std::string path = host::fspath(path_obj);
    if (core::fs::exists(path)) {
        py::object g = host::graph_json::load(path);
        if (!PyDict_Check(g.ptr()))
            throw py::type_error(std::string("the graph file must hold a JSON object (dict), not ") +
                                 json_kind(g.ptr()) + ": " + path);
        return g;
    }
    py::object graph = m.attr("scan")(m.attr("DEFAULT_ROOT"));
    m.attr("ensure_data_dir")();
    host::graph_json::store(path, graph);
    return graph;
}

}  // namespace

void bind_graph_file(py::module_& m) {
    m.def(
        "ensure_data_dir",
        [m]() {
            py::object dir = py::module_::import("pathlib").attr("Path")(m.attr("DATA_DIR"));
            dir.attr("mkdir")(py::arg("parents") = true, py::arg("exist_ok") = true);
        },
        "Create the module data directory and any missing parents.");
    m.def(
        "load_graph", [m]() { return load_graph(m); },
        "The stored information graph; scanned from DEFAULT_ROOT and stored when missing.");
}

}  // namespace host::kestil_bind
