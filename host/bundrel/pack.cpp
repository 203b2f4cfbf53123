// The context block: the host's retrieval result, summaries and graph read into the
// packer's light views; the text itself is made by the packer.
#include "packing/pack.hpp"
#include "host/bundrel/bindings.hpp"
#include "host/common/convert.hpp"

namespace host::bundrel_bind {

namespace {

// _file_id: a map's "id" in its text form ("" when absent), anything else its own text form.
std::string file_id_of(py::handle entry) {
    if (PyDict_Check(entry.ptr())) return text_form(mapping_get(entry, py::str("id"), py::str("")));
    return text_form(entry);
}

// A field of the retrieval result: by key of a map, else by attribute; absent or None
// counts as no entries.
py::object result_field(py::handle result, const char* name) {
    py::object v = PyDict_Check(result.ptr()) ? mapping_get(result, py::str(name), py::none())
                                              : py::getattr(result, name, py::none());
    return v.is_none() ? py::object(py::list()) : v;
}

std::optional<std::int64_t> int_field(PyObject* map, PyObject* key) {
    PyObject* v = dict_item(map, key);
    if (!v || !PyLong_Check(v)) return std::nullopt;
    return int_arg(v, "pack", "graph");
}

struct Keys {
    py::str id{"id"}, summary{"summary"}, kind{"kind"}, path{"path"}, name{"name"}, line_start{"line_start"},
        line_end{"line_end"}, from{"from"}, to{"to"}, rel{"rel"};
};

packing::NodeView node_view(PyObject* node, const Keys& k, TextArena& arena) {
    packing::NodeView n;
    if (PyObject* id = dict_item(node, k.id.ptr()); id && PyUnicode_Check(id)) n.id = arena.view(id);
    if (PyObject* s = dict_item(node, k.summary.ptr()); s && truthy(s)) n.summary = arena.text_form(s);
    if (PyObject* kind = dict_item(node, k.kind.ptr()); kind && PyUnicode_Check(kind))
        n.is_symbol = PyUnicode_CompareWithASCIIString(kind, "symbol") == 0;
    if (PyObject* p = dict_item(node, k.path.ptr()); p && PyUnicode_Check(p)) n.path = arena.view(p);
    if (PyObject* name = dict_item(node, k.name.ptr())) n.name = arena.text_form(name);
    n.line_start = int_field(node, k.line_start.ptr());
    n.line_end = int_field(node, k.line_end.ptr());
    return n;
}

py::str pack(py::object retrieve_result, py::object summaries, py::object graph, py::object project_root,
             py::object token_budget, py::object max_files, py::object max_read_targets) {
    const char* fn = "pack";
    if (!is_mapping(summaries)) wrong_kind(summaries, fn, "summaries", "dict");
    if (!is_mapping(graph)) wrong_kind(graph, fn, "graph", "dict");
    packing::PackInput in;
    in.project_root = path_arg(project_root, fn, "project_root");
    in.token_budget = int_arg(token_budget, fn, "token_budget");
    const std::int64_t files_cap = int_arg(max_files, fn, "max_files");
    in.max_read_targets = int_arg(max_read_targets, fn, "max_read_targets");

    py::object files = result_field(retrieve_result, "files");
    py::object head = steal(PySlice_New(nullptr, py::int_(files_cap).ptr(), nullptr));
    py::object used = steal(PyObject_GetItem(files.ptr(), head.ptr()));
    for (py::handle entry : used) in.entry_ids.push_back(file_id_of(entry));

    py::object empty = py::dict();
    for (const std::string& id : in.entry_ids) {
        if (id.empty()) continue;
        const std::string base(packing::base_file(id));
        if (in.summaries.contains(base)) continue;
        py::object s = mapping_get(summaries, to_str(base), empty);
        if (s.ptr() != empty.ptr()) in.summaries.emplace(base, summary_value(s));
    }

    TextArena arena;
    const Keys k;
    py::object nodes = mapping_get(graph, py::str("nodes"), py::none());
    if (!nodes.is_none()) {
        for (py::handle node : nodes)
            if (PyDict_Check(node.ptr())) in.nodes.push_back(node_view(node.ptr(), k, arena));
    }
    for (py::handle edge : result_field(retrieve_result, "edges")) {
        if (!PyDict_Check(edge.ptr())) continue;
        PyObject* e = edge.ptr();
        auto end = [&](const py::str& key) {
            PyObject* v = dict_item(e, key.ptr());
            return v ? arena.text_form(v) : std::string_view();
        };
        in.edges.push_back({end(k.from), end(k.to), end(k.rel)});
    }
    return to_str(packing::pack(in));
}

}  // namespace

void bind_pack(py::module_& m) {
    m.def("pack", &pack, py::arg("retrieve_result"), py::arg("summaries"), py::arg("graph"), py::arg("project_root"),
          py::arg("token_budget") = 5000, py::arg("max_files") = 8, py::arg("max_read_targets") = 8,
          "The context block of a retrieval result: relevant files, key code, recommended reads and key "
          "relationships within a token budget.");
    m.def(
        "_file_id", [](py::object entry) { return to_str(file_id_of(entry)); }, py::arg("entry"),
        "The file id of a retrieval entry: a map's \"id\" in its text form, else the entry's own text form.");
    m.def(
        "_basename", [](py::object path) { return to_str(packing::basename(text_arg(path, "_basename", "path"))); },
        py::arg("path"), "The part of a path after its last \"/\".");
}

}  // namespace host::bundrel_bind
