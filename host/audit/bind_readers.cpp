// The module's ground: the colour function, the colour flag asked once at load, the
// code suffixes and the two readers.
#include "audit/code_exts.hpp"
#include "audit/colour.hpp"
#include "audit/patterns.hpp"
#include "audit/readers.hpp"
#include "host/audit/bindings.hpp"
#include "host/common/args.hpp"
#include "host/common/convert.hpp"
#include "host/common/streams.hpp"

namespace host::audit_bind {

namespace {

// The keys the checks and the report read; everything else of a node (its content above
// all) stays on the host's side.
constexpr const char* kNodeKeys[] = {"id",   "kind",       "file",     "path",        "exported",
                                     "name", "line_start", "line_end", "symbol_type", "body_hash"};
constexpr const char* kEdgeKeys[] = {"from", "to", "rel"};

template <std::size_t N>
core::Json item_view(py::handle item, const char* const (&keys)[N]) {
    if (!PyDict_Check(item.ptr())) return from_py(item);  // the checks raise on it as the host would
    core::Json out = core::Json::object();
    for (const char* k : keys)
        if (PyObject* v = PyDict_GetItemString(item.ptr(), k)) out[k] = from_py(v);
    return out;
}

template <std::size_t N>
void list_view(core::Json& out, py::handle graph, const char* key, const char* const (&keys)[N]) {
    PyObject* v = PyDict_GetItemString(graph.ptr(), key);
    if (!v) return;
    if (!PyList_Check(v) && !PyTuple_Check(v)) {
        out[key] = from_py(v);
        return;
    }
    core::Json list = core::Json::array();
    for (py::handle item : py::reinterpret_borrow<py::sequence>(v)) list.push_back(item_view(item, keys));
    out[key] = std::move(list);
}

}  // namespace

core::Json graph_arg(py::handle v) {
    if (!PyDict_Check(v.ptr())) kind_error("graph", "a dict", v);
    core::Json out = core::Json::object();
    list_view(out, v, "nodes", kNodeKeys);
    list_view(out, v, "edges", kEdgeKeys);
    return out;
}

core::Json results_arg(py::handle v) {
    if (!PyDict_Check(v.ptr())) kind_error("r", "a dict", v);
    core::Json out = core::Json::object();
    for (auto [k, x] : py::reinterpret_borrow<py::dict>(v)) {
        if (!PyUnicode_Check(k.ptr())) throw py::type_error("keys must be str");
        const std::string key = utf8_lenient(k);
        out[key] = key == "_graph" && PyDict_Check(x.ptr()) ? graph_arg(x) : from_py(x);
    }
    return out;
}

py::object graph_to_py(const core::Json& graph) {
    // The conversion makes a container per node and edge, each of which counts towards
    // the host's cycle collections, whose passes over the growing graph would cost more
    // than the conversion itself; it makes no cycles.
    const int collecting = PyGC_Disable();
    try {
        py::object out = to_py(graph);
        if (collecting) PyGC_Enable();
        return out;
    } catch (...) {
        if (collecting) PyGC_Enable();
        throw;
    }
}

py::object host_pattern(std::string_view name) {
    for (const auto& spec : audit::pattern_specs()) {
        if (spec.name != name) continue;
        py::module_ re = py::module_::import("re");
        return re.attr("compile")(to_str(spec.text), re.attr("IGNORECASE"));
    }
    throw std::logic_error("no pattern named " + std::string(name));
}

namespace {

// sys.stdout.isatty(), false when there is no standard output at all.
bool stdout_is_terminal() {
    py::object out = stream(Stream::out);
    if (out.is_none()) return false;
    return py::bool_(out.attr("isatty")());
}

}  // namespace

void bind_readers(py::module_& m) {
    m.def(
        "_c",
        [](py::handle code, py::handle text, py::handle enabled) -> py::object {
            if (!truthy(enabled)) return py::reinterpret_borrow<py::object>(text);
            const std::string name = PyUnicode_Check(code.ptr()) ? utf8_lenient(code) : std::string();
            return to_str(audit::colour(name, utf8_lenient(py::str(text))));
        },
        py::arg("code"), py::arg("text"), py::arg("enabled") = true,
        "The text wrapped in the style's escape sequence and the reset sequence; unchanged when not enabled.");
    m.attr("COLOR") = py::bool_(stdout_is_terminal());
    py::set exts;
    for (std::string_view e : audit::CODE_EXTS) exts.add(to_str(e));
    m.attr("CODE_EXTS") = exts;
    m.def(
        "_load_graph",
        [](py::handle root) {
            const std::string r = fspath(root);
            core::Json g;
            {
                py::gil_scoped_release unlocked;
                g = audit::load_graph(r);
            }
            return graph_to_py(g);
        },
        py::arg("root"),
        "The project's information graph: its top-level map, None for a JSON null, {} when there is none.");
    m.def(
        "_read",
        [](py::handle root, py::handle file_id) {
            const std::string r = fspath(root), id = fspath(file_id);
            std::string text;
            {
                py::gil_scoped_release unlocked;
                text = audit::read_source(r, id);
            }
            return to_str(text);
        },
        py::arg("root"), py::arg("file_id"), "The text of a project file, \"\" when it is missing or unreadable.");
}

}  // namespace host::audit_bind
