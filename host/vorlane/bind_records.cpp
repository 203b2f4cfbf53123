// The graph records as host types and the record functions on host objects.
//
// The module can be imported twice under different names, each import with a module
// object of its own, so the record types are made per import by the host's own
// dataclasses and typing machinery rather than registered once per process.
#include "core/hash.hpp"
#include "core/records.hpp"
#include "host/common/convert.hpp"
#include "host/common/node_record.hpp"
#include "host/vorlane/bindings.hpp"

namespace host::vorlane_bind {

namespace {

// The builtin types that annotate the records.
struct Types {
    py::object str, int_, bool_, list, dict;
    Types() {
        py::module_ b = py::module_::import("builtins");
        str = b.attr("str"), int_ = b.attr("int"), bool_ = b.attr("bool");
        list = b.attr("list"), dict = b.attr("dict");
    }
};

// A TypedDict made by the functional form (one key is "from"), keys in the given order.
py::object make_typed_dict(const char* name, const py::dict& keys, py::handle module_name) {
    py::object td = py::module_::import("typing").attr("TypedDict")(name, keys);
    td.attr("__module__") = module_name;
    return td;
}

py::object get_item(py::handle obj, const char* key) {
    PyObject* v = PyObject_GetItem(obj.ptr(), py::str(key).ptr());
    if (!v) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(v);
}

// The first edge of every distinct (from, to, rel), compared as the host compares values.
py::list dedupe_edges(py::handle edges) {
    py::set seen;
    py::list out;
    for (py::handle e : py::iter(edges)) {
        py::object from = get_item(e, "from"), to = get_item(e, "to"), rel = get_item(e, "rel");
        py::tuple key = py::make_tuple(from, to, rel);
        const int has = PySet_Contains(seen.ptr(), key.ptr());
        if (has < 0) throw py::error_already_set();
        if (has) continue;
        if (PySet_Add(seen.ptr(), key.ptr()) < 0) throw py::error_already_set();
        out.append(e);
    }
    return out;
}

// "\n".join(lines[start:end + 1]), hashed; the slice is the host's own.
py::str body_hash(py::handle lines, py::handle start, py::handle end) {
    py::object stop = py::reinterpret_steal<py::object>(PyNumber_Add(end.ptr(), py::int_(1).ptr()));
    if (!stop) throw py::error_already_set();
    py::object range = py::reinterpret_steal<py::object>(PySlice_New(start.ptr(), stop.ptr(), nullptr));
    if (!range) throw py::error_already_set();
    PyObject* rows = PyObject_GetItem(lines.ptr(), range.ptr());
    if (!rows) throw py::error_already_set();
    py::object text = py::str("\n").attr("join")(py::reinterpret_steal<py::object>(rows));
    return to_str(core::md5_prefix8(utf8(text)));
}

}  // namespace

void bind_records(py::module_& m) {
    py::object name = m.attr("__name__");
    const Types t;
    const py::object &str = t.str, &int_ = t.int_;

    m.attr("Node") = host::make_node_class(name);

    py::dict edge;
    edge["from"] = str;
    edge["to"] = str;
    edge["rel"] = str;
    py::object edge_type = make_typed_dict("Edge", edge, name);
    m.attr("Edge") = edge_type;

    py::dict symbol;
    for (const char* k : {"id", "name", "symbol_type"}) symbol[k] = str;
    symbol["line_start"] = int_;
    symbol["line_end"] = int_;
    symbol["body_hash"] = str;
    symbol["confidence"] = str;
    symbol["exported"] = t.bool_;
    symbol["keywords"] = t.list[str];
    m.attr("SymbolRecord") = make_typed_dict("SymbolRecord", symbol, name);

    py::dict graph;
    graph["root"] = str;
    for (const char* k : {"node_count", "edge_count", "file_count", "symbol_count"}) graph[k] = int_;
    graph["nodes"] = t.list[t.dict];
    graph["edges"] = t.list[edge_type];
    m.attr("InfoGraph") = make_typed_dict("InfoGraph", graph, name);

    m.def(
        "rel", [](py::handle path, py::handle root) { return to_str(core::rel(fspath(path), fspath(root))); },
        py::arg("path"), py::arg("root"), "The file id of `path` under the scan root `root`.");
    m.def("_body_hash", &body_hash, py::arg("lines"), py::arg("start"), py::arg("end"),
          "The content hash of lines[start:end + 1] joined by line feeds.");
    m.def("dedupe_edges", &dedupe_edges, py::arg("edges"),
          "A new list with the first edge of every distinct (from, to, rel), in order.");
}

}  // namespace host::vorlane_bind
