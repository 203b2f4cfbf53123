// retrieve as a host function. The graph's texts are read into a view, the library runs
// the retrieval over it (retrieval/retrieve_graph.hpp), and the result is assembled from
// the graph's own objects: a ScoredNode is a new dict holding the node's own values,
// edges and fallback nodes are the graph's own dicts. Ids, kinds or edge ends that are
// not texts are ordered and compared by the host's own rules (its sort, its text form
// and its sets), which only such graphs pay for.
#include "core/builtins.hpp"
#include "host/common/convert.hpp"
#include "host/kestil/bindings.hpp"
#include "retrieval/retrieve_graph.hpp"

namespace host::kestil_bind {

namespace {

using retrieval::Candidate;
using retrieval::EdgeText;
using retrieval::ScoredEdge;

PyObject* get(PyObject* dict, PyObject* key) {
    PyObject* v = PyDict_GetItemWithError(dict, key);
    if (!v && PyErr_Occurred()) throw py::error_already_set();
    return v;
}

PyObject* get(PyObject* dict, const py::str& key) { return get(dict, key.ptr()); }

// Reading a graph's maps one after another waits on memory for each map and its key
// table: ask for those of the maps a few places ahead while the current one is read.
inline void prefetch_map(PyObject** items, Py_ssize_t i, Py_ssize_t n) {
    if (i + 16 < n) core::prefetch(items[i + 16]);
    if (i + 8 < n && PyDict_CheckExact(items[i + 8])) {
        const auto* keys = reinterpret_cast<const char*>(reinterpret_cast<PyDictObject*>(items[i + 8])->ma_keys);
        core::prefetch(keys);
        core::prefetch(keys + 64);
        core::prefetch(keys + 128);
        core::prefetch(keys + 192);
    }
}

// A stored value, "" when absent: the sort key of an id or an edge end.
py::object or_empty(PyObject* v) { return v ? py::reinterpret_borrow<py::object>(v) : py::str(""); }

// A count argument: an integer, or a number truncated to one; saturated to 64 bits.
std::int64_t count_arg(py::handle o, const char* arg) {
    if (PyUnicode_Check(o.ptr()) || PyBytes_Check(o.ptr()) || !PyNumber_Check(o.ptr()))
        wrong_kind(o, "retrieve", arg, "int");
    py::object i = py::reinterpret_steal<py::object>(PyNumber_Long(o.ptr()));
    if (!i) throw py::error_already_set();
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(i.ptr(), &overflow);
    if (overflow > 0) return INT64_MAX;
    if (overflow < 0) return INT64_MIN;
    if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
    return v;
}

// The graph's list under `key` (an empty one when absent), as a sequence of items.
py::object graph_list(py::handle graph, const py::str& key) {
    PyObject* v = get(graph.ptr(), key);
    if (!v) return py::list();
    PyObject* seq = PySequence_Fast(v, "retrieve() graph 'nodes' and 'edges' must be lists");
    if (!seq) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(seq);
}

// Positions 0..n-1 ordered by the host's sort on the given key tuples (stable).
std::vector<std::size_t> host_order(const py::list& keys) {
    py::object order = py::module_::import("builtins")
                           .attr("sorted")(py::module_::import("builtins").attr("range")(py::len(keys)),
                                           py::arg("key") = keys.attr("__getitem__"));
    std::vector<std::size_t> out;
    for (py::handle i : order) out.push_back(i.cast<std::size_t>());
    return out;
}

struct Keys {
    py::str nodes{"nodes"}, edges{"edges"}, id{"id"}, kind{"kind"}, ext{"ext"}, from{"from"}, to{"to"}, rel{"rel"},
        content{"content"}, score{"_score"}, role{"_role"}, intent{"_intent"};
};

const Keys& keys() {
    static const Keys* k = new Keys();
    return *k;
}

// The graph's lists and the texts read from their maps, alive for one call.
struct GraphRead {
    py::object nodes, edges;  // sequences of the graph's own maps
    PyObject** node_items = nullptr;
    PyObject** edge_items = nullptr;
    Py_ssize_t n_nodes = 0, n_edges = 0;
    TextArena arena;
    std::vector<retrieval::NodeText> node_text;
    std::vector<std::string_view> keywords;
    std::vector<NodeRefs> refs;
    std::vector<retrieval::OtherForms> node_forms;
    bool other_node_forms = false;
    std::vector<EdgeText> edge_text;
    bool other_edge_ends = false;

    explicit GraphRead(py::handle graph)
        : nodes(graph_list(graph, keys().nodes)),
          edges(graph_list(graph, keys().edges)),
          node_items(PySequence_Fast_ITEMS(nodes.ptr())),
          edge_items(PySequence_Fast_ITEMS(edges.ptr())),
          n_nodes(PySequence_Fast_GET_SIZE(nodes.ptr())),
          n_edges(PySequence_Fast_GET_SIZE(edges.ptr())) {}

    retrieval::GraphView view(retrieval::OtherValues* other) const {
        retrieval::GraphView v{node_text, edge_text, {}, other_edge_ends, other};
        if (other_node_forms) v.node_forms = node_forms;
        return v;
    }
};

// The edges' ends and relations as texts (degrees and importers come with the nodes).
void read_edges(GraphRead& g) {
    static const DictKeys* edge_key_names = new DictKeys({"from", "to", "rel"});
    const DictKeys edge_keys = edge_key_names->adopted_from(g.n_edges ? g.edge_items[0] : nullptr);
    g.edge_text.resize(static_cast<std::size_t>(g.n_edges));
    for (Py_ssize_t i = 0; i < g.n_edges; ++i) {
        prefetch_map(g.edge_items, i, g.n_edges);
        PyObject* e = g.edge_items[i];
        if (!PyDict_Check(e))
            throw py::type_error(std::string("retrieve() graph edges must be dict, not ") + Py_TYPE(e)->tp_name);
        EdgeText& t = g.edge_text[static_cast<std::size_t>(i)];
        PyObject* ends[3];
        dict_fields(e, edge_keys, ends);
        PyObject* from = ends[0];
        PyObject* to = ends[1];
        PyObject* rel = ends[2];
        t.from = from ? g.arena.text_form(from) : std::string_view();
        t.to = to ? g.arena.text_form(to) : std::string_view();
        t.rel = rel ? g.arena.text_form(rel) : std::string_view();
        if (from && PyUnicode_Check(from)) t.from_key = t.from;
        if (to && PyUnicode_Check(to)) t.to_key = t.to;
        g.other_edge_ends = g.other_edge_ends || (from && !PyUnicode_Check(from)) || (to && !PyUnicode_Check(to));
    }
}

// The nodes' texts as scoring reads them, and which stored ids and kinds are no texts.
void read_nodes(GraphRead& g) {
    const auto n = static_cast<std::size_t>(g.n_nodes);
    g.node_text.resize(n);
    g.refs.resize(n);
    g.node_forms.resize(n);
    std::vector<std::size_t> kw_start(n + 1, 0);
    const DictKeys nkeys = node_keys().adopted_from(g.n_nodes ? g.node_items[0] : nullptr);
    for (std::size_t u = 0; u < n; ++u) {
        prefetch_map(g.node_items, static_cast<Py_ssize_t>(u), g.n_nodes);
        read_node(g.node_items[u], g.arena, g.node_text[u], g.keywords, &g.refs[u], nkeys);
        kw_start[u + 1] = g.keywords.size();
        const NodeRefs& r = g.refs[u];
        retrieval::OtherForms& f = g.node_forms[u];
        f.id = r.id && !PyUnicode_Check(r.id);
        f.kind = r.kind && !PyUnicode_Check(r.kind);
        g.other_node_forms = g.other_node_forms || f.id || f.kind;
    }
    for (std::size_t u = 0; u < n; ++u)
        g.node_text[u].keywords =
            std::span<const std::string_view>(g.keywords.data() + kw_start[u], kw_start[u + 1] - kw_start[u]);
}

// Ids, kinds and edge ends that are not texts, by the host's own rules: its sort, its
// text form and its sets.
class HostValues final : public retrieval::OtherValues {
public:
    explicit HostValues(GraphRead& g) : g_(g) {}

    void order_files(std::vector<Candidate>& cands) override {
        py::list sort_keys;
        for (const Candidate& c : cands)
            sort_keys.append(py::make_tuple(-c.score, or_empty(get(g_.node_items[c.index], keys().id))));
        std::vector<Candidate> sorted;
        for (std::size_t pos : host_order(sort_keys)) sorted.push_back(cands[pos]);
        cands.swap(sorted);
    }

    bool kind_is_symbol(std::size_t node) override { return g_.arena.text_form(g_.refs[node].kind) == "symbol"; }

    void touch(const std::vector<std::size_t>& nodes, std::vector<char>& touches) override {
        py::set chosen;
        for (std::size_t u : nodes) chosen.add(py::reinterpret_borrow<py::object>(get(g_.node_items[u], keys().id)));
        for (Py_ssize_t i = 0; i < g_.n_edges; ++i) {
            bool touched = touches[static_cast<std::size_t>(i)];
            if (!touched) {
                for (const py::str* k : {&keys().from, &keys().to}) {
                    PyObject* end = get(g_.edge_items[i], *k);
                    if (end && !PyUnicode_Check(end)) {
                        const int in = PySet_Contains(chosen.ptr(), end);
                        if (in < 0) throw py::error_already_set();
                        touched = touched || in == 1;
                    }
                }
            }
            touches[static_cast<std::size_t>(i)] = touched;
        }
    }

    void order_edges(std::vector<ScoredEdge>& scored) override {
        py::list sort_keys;
        for (const ScoredEdge& se : scored) {
            PyObject* from = get(g_.edge_items[se.index], keys().from);
            PyObject* to = get(g_.edge_items[se.index], keys().to);
            sort_keys.append(py::make_tuple(-se.score, or_empty(from), or_empty(to)));
        }
        std::vector<ScoredEdge> sorted;
        for (std::size_t pos : host_order(sort_keys)) sorted.push_back(scored[pos]);
        scored.swap(sorted);
    }

private:
    GraphRead& g_;
};

// A ScoredNode: a new map of the node's own keys and values but "content", then
// "_score", "_role" and "_intent".
py::dict scored_node(PyObject* node, const retrieval::ChosenFile& f, const py::str& intent) {
    const Keys& K = keys();
    py::dict sn;
    PyObject* key;
    PyObject* value;
    Py_ssize_t it = 0;
    while (PyDict_Next(node, &it, &key, &value)) {
        if (PyUnicode_Check(key) && PyUnicode_Compare(key, K.content.ptr()) == 0) continue;
        if (PyDict_SetItem(sn.ptr(), key, value) != 0) throw py::error_already_set();
    }
    sn[K.score] = py::int_(f.score);
    sn[K.role] = host::to_str(f.role);
    sn[K.intent] = intent;
    return sn;
}

// The result's files: the scored nodes, or the graph's own first nodes when none scored.
py::list files_of(const GraphRead& g, const retrieval::Retrieval& r) {
    if (r.files.empty()) {
        py::list out(r.fallback_files);
        for (std::size_t i = 0; i < r.fallback_files; ++i) out[i] = py::reinterpret_borrow<py::object>(g.node_items[i]);
        return out;
    }
    const py::str intent = host::to_str(r.intent);
    py::list out(r.files.size());
    for (std::size_t i = 0; i < r.files.size(); ++i)
        out[i] = scored_node(g.node_items[r.files[i].node], r.files[i], intent);
    return out;
}

py::object retrieve(py::module_ m, py::handle graph, py::handle query, py::handle top_files_o, py::handle top_edges_o) {
    if (!PyDict_Check(graph.ptr())) wrong_kind(graph, "retrieve", "graph", "dict");
    const std::string query_text = text_arg(query, "retrieve", "query");
    const std::int64_t top_files = count_arg(top_files_o, "top_files");
    const std::int64_t top_edges = count_arg(top_edges_o, "top_edges");
    const std::vector<retrieval::CapabilityEntry> caps =
        retrieval::load_capability_index(host::fspath(m.attr("CAPABILITY_INDEX")));

    GraphRead g(graph);
    read_edges(g);
    read_nodes(g);
    HostValues host_values(g);
    const retrieval::Retrieval r = retrieval::retrieve(query_text, caps, g.view(&host_values), top_files, top_edges);

    py::list edges(r.edges.size());
    for (std::size_t i = 0; i < r.edges.size(); ++i)
        edges[i] = py::reinterpret_borrow<py::object>(g.edge_items[r.edges[i]]);
    return m.attr("RetrieveResult")(py::arg("files") = files_of(g, r), py::arg("edges") = edges);
}

}  // namespace

void bind_retrieve(py::module_& m) {
    m.def(
        "retrieve",
        [m](py::handle graph, py::handle query, py::handle top_files, py::handle top_edges) {
            return retrieve(m, graph, query, top_files, top_edges);
        },
        py::arg("graph"), py::arg("query"), py::arg("top_files"), py::arg("top_edges"));
}

}  // namespace host::kestil_bind
