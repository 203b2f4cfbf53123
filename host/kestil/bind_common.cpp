// The readers of host values shared by the kestil bindings: dict keys, fields, nodes.
#include "host/kestil/bindings.hpp"

namespace host::kestil_bind {

namespace {

bool equals(PyObject* v, const char* text) {
    return v && PyUnicode_Check(v) && PyUnicode_CompareWithASCIIString(v, text) == 0;
}

}  // namespace

DictKeys::DictKeys(std::initializer_list<const char*> names) {
    for (const char* n : names) {
        PyObject* k = PyUnicode_InternFromString(n);
        if (!k) throw py::error_already_set();
        keys_.push_back(py::reinterpret_steal<py::object>(k));
    }
}

DictKeys DictKeys::adopted_from(PyObject* sample) const {
    DictKeys out = *this;
    if (!sample || !PyDict_Check(sample)) return out;
    PyObject *k, *v;
    Py_ssize_t pos = 0;
    while (PyDict_Next(sample, &pos, &k, &v)) {
        if (!PyUnicode_CheckExact(k)) continue;
        for (py::object& mine : out.keys_)
            if (mine.ptr() != k && PyUnicode_Compare(mine.ptr(), k) == 0) mine = py::reinterpret_borrow<py::object>(k);
    }
    return out;
}

const DictKeys& node_keys() {
    static const DictKeys* const kKeys = new DictKeys({"id", "ext", "summary", "keywords", "kind", "confidence"});
    return *kKeys;
}

void dict_fields(PyObject* dict, const DictKeys& keys, std::span<PyObject*> values) {
    // One lookup per field: the keys' hashes are cached in the key objects, and keys
    // adopted from the graph's own maps are found on the identity test, so a lookup
    // costs a probe or two, while a walk would visit every entry of the map.
    for (std::size_t f = 0; f < values.size(); ++f) values[f] = host::dict_item(dict, keys[f]);
}

namespace {

constexpr std::size_t kNodeFields = 6;

}  // namespace

void read_node(PyObject* node, TextArena& arena, retrieval::NodeText& out, std::vector<std::string_view>& keywords,
               NodeRefs* refs, const DictKeys& k) {
    if (!PyDict_Check(node)) wrong_kind(node, "score_node", "node", "dict");
    PyObject* f[kNodeFields];
    dict_fields(node, k, f);
    PyObject* v = f[0];
    out.id = v ? arena.text_form(v) : std::string_view();
    if (refs) refs->id = v;
    v = f[1];
    out.ext = v ? arena.text_form(v) : std::string_view();
    v = f[2];
    out.summary = {};
    if (v && v != Py_None) {
        if (!PyUnicode_Check(v)) host::kind_error("score_node() node 'summary'", "str or None", v);
        out.summary = arena.view(v);
    }
    v = f[3];
    out.keywords = {};
    if (v && v != Py_None) {
        if (!PyList_Check(v)) host::kind_error("score_node() node 'keywords'", "list or None", v);
        const Py_ssize_t n = PyList_GET_SIZE(v);
        for (Py_ssize_t i = 0; i < n; ++i) {
            PyObject* kw = PyList_GET_ITEM(v, i);
            if (!PyUnicode_Check(kw)) host::item_kind_error("score_node() node 'keywords'", "str", kw);
            keywords.push_back(arena.view(kw));
        }
    }
    PyObject* kind = f[4];
    out.symbol = equals(kind, "symbol");
    if (refs) refs->kind = kind;
    out.high_confidence = equals(f[5], "high");
}

}  // namespace host::kestil_bind
