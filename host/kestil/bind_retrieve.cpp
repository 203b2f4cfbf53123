// retrieve as a host function. The ranking runs in the library over views of the
// graph's texts; the result is assembled from the graph's own objects: a ScoredNode is
// a new dict holding the node's own values, edges and fallback nodes are the graph's
// own dicts. Ids or edge ends that are not texts are ordered and compared by the host's
// own rules (its sort and its sets), which only such graphs pay for.
#include "host/common/convert.hpp"
#include "host/kestil/bindings.hpp"
#include "retrieval/retrieve.hpp"

namespace kestil_host {

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
    if (i + 16 < n) __builtin_prefetch(items[i + 16]);
    if (i + 8 < n && PyDict_CheckExact(items[i + 8])) {
        const auto* keys = reinterpret_cast<const char*>(reinterpret_cast<PyDictObject*>(items[i + 8])->ma_keys);
        __builtin_prefetch(keys);
        __builtin_prefetch(keys + 64);
        __builtin_prefetch(keys + 128);
        __builtin_prefetch(keys + 192);
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

// The first slice_end(len, k) items of a sequence, as a new list of the same objects.
py::list head(py::handle seq, std::int64_t k) {
    const std::size_t n = retrieval::slice_end(static_cast<std::size_t>(PySequence_Fast_GET_SIZE(seq.ptr())), k);
    PyObject** items = PySequence_Fast_ITEMS(seq.ptr());
    py::list out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = py::reinterpret_borrow<py::object>(items[i]);
    return out;
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
        content{"content"}, score{"_score"}, role{"_role"}, intent{"_intent"}, empty{""};
};

py::object retrieve(py::module_ m, py::handle graph, py::handle query, py::handle top_files_o, py::handle top_edges_o) {
    static const Keys* K = new Keys();
    if (!PyDict_Check(graph.ptr())) wrong_kind(graph, "retrieve", "graph", "dict");
    const std::string query_text = text_arg(query, "retrieve", "query");
    const std::int64_t top_files = count_arg(top_files_o, "top_files");
    const std::int64_t top_edges = count_arg(top_edges_o, "top_edges");

    const std::string index_path = host::fspath(m.attr("CAPABILITY_INDEX"));
    const std::vector<retrieval::CapabilityEntry> caps = retrieval::load_capability_index(index_path);
    const retrieval::Query rq(query_text,
                              retrieval::capability_file_boosts(retrieval::tokenize_query(query_text), caps));

    py::object nodes = graph_list(graph, K->nodes);
    py::object edges = graph_list(graph, K->edges);
    const Py_ssize_t n_nodes = PySequence_Fast_GET_SIZE(nodes.ptr());
    const Py_ssize_t n_edges = PySequence_Fast_GET_SIZE(edges.ptr());
    PyObject** node_items = PySequence_Fast_ITEMS(nodes.ptr());
    PyObject** edge_items = PySequence_Fast_ITEMS(edges.ptr());
    TextArena arena;

    // The edges' ends and relations as texts (degrees and importers come with the nodes).
    static const DictKeys* edge_key_names = new DictKeys({"from", "to", "rel"});
    const DictKeys edge_keys = edge_key_names->adopted_from(n_edges ? edge_items[0] : nullptr);
    std::vector<EdgeText> edge_text(static_cast<std::size_t>(n_edges));
    bool edge_ends_text = true;
    for (Py_ssize_t i = 0; i < n_edges; ++i) {
        prefetch_map(edge_items, i, n_edges);
        PyObject* e = edge_items[i];
        if (!PyDict_Check(e))
            throw py::type_error(std::string("retrieve() graph edges must be dict, not ") + Py_TYPE(e)->tp_name);
        EdgeText& t = edge_text[static_cast<std::size_t>(i)];
        PyObject* ends[3];
        dict_fields(e, edge_keys, ends);
        PyObject* from = ends[0];
        PyObject* to = ends[1];
        PyObject* rel = ends[2];
        t.from = from ? arena.text_form(from) : std::string_view();
        t.to = to ? arena.text_form(to) : std::string_view();
        t.rel = rel ? arena.text_form(rel) : std::string_view();
        if (from && PyUnicode_Check(from)) t.from_key = t.from;
        if (to && PyUnicode_Check(to)) t.to_key = t.to;
        edge_ends_text = edge_ends_text && (!from || PyUnicode_Check(from)) && (!to || PyUnicode_Check(to));
    }

    // Node scoring: the nodes' texts gathered first, then scored in C++ alone.
    std::vector<retrieval::NodeText> node_text(static_cast<std::size_t>(n_nodes));
    std::vector<std::string_view> keywords;
    std::vector<std::size_t> kw_start(static_cast<std::size_t>(n_nodes) + 1, 0);
    std::vector<NodeRefs> refs(static_cast<std::size_t>(n_nodes));
    const DictKeys nkeys = node_keys().adopted_from(n_nodes ? node_items[0] : nullptr);
    for (Py_ssize_t i = 0; i < n_nodes; ++i) {
        const auto u = static_cast<std::size_t>(i);
        prefetch_map(node_items, i, n_nodes);
        read_node(node_items[i], arena, node_text[u], keywords, &refs[u], nkeys);
        kw_start[u + 1] = keywords.size();
    }
    for (std::size_t u = 0; u < node_text.size(); ++u)
        node_text[u].keywords =
            std::span<const std::string_view>(keywords.data() + kw_start[u], kw_start[u + 1] - kw_start[u]);
    std::vector<std::string_view> node_ids(node_text.size());
    for (std::size_t u = 0; u < node_text.size(); ++u) node_ids[u] = node_text[u].id;
    const retrieval::EdgeStats stats(node_ids, edge_text);
    const std::vector<std::int64_t> totals = rq.node_totals(node_text, stats);
    std::vector<Candidate> cands;
    bool ids_text = true;
    for (std::size_t u = 0; u < node_text.size(); ++u) {
        const std::int64_t s = totals[u];
        if (s <= 0) continue;
        PyObject* id = refs[u].id;
        if (id && !PyUnicode_Check(id)) ids_text = false;
        const std::string_view key = id && PyUnicode_Check(id) ? node_text[u].id : std::string_view();
        cands.push_back({u, s, key, {}});
    }

    // Ranking and the choice of files.
    bool ordered = false;
    if (!ids_text) {
        py::list keys;
        for (const Candidate& c : cands) {
            PyObject* id = get(node_items[c.index], K->id);
            keys.append(py::make_tuple(-c.score, or_empty(id)));
        }
        std::vector<Candidate> sorted;
        for (std::size_t pos : host_order(keys)) sorted.push_back(cands[pos]);
        cands.swap(sorted);
        ordered = true;
    }
    // The file base only of the candidates the choice reaches.
    const std::vector<std::size_t> chosen = retrieval::choose_files(cands, top_files, ordered, [&](const Candidate& c) {
        PyObject* kind = refs[c.index].kind;
        const std::string_view kind_text = kind ? arena.text_form(kind) : std::string_view("file");
        return retrieval::file_base(node_text[c.index].id, kind_text);
    });

    py::list files;
    std::vector<std::string_view> chosen_text;
    py::set chosen_other;
    const py::str intent = host::to_str(rq.intent());
    for (std::size_t pos : chosen) {
        const Candidate& c = cands[pos];
        PyObject* n = node_items[c.index];
        py::dict sn;
        PyObject* key;
        PyObject* value;
        Py_ssize_t it = 0;
        while (PyDict_Next(n, &it, &key, &value)) {
            if (PyUnicode_Check(key) && PyUnicode_Compare(key, K->content.ptr()) == 0) continue;
            if (PyDict_SetItem(sn.ptr(), key, value) != 0) throw py::error_already_set();
        }
        PyObject* id = get(sn.ptr(), K->id);
        PyObject* ext = get(sn.ptr(), K->ext);
        const std::string_view id_text = id ? arena.text_form(id) : std::string_view();
        const std::string_view ext_text = ext ? arena.text_form(ext) : std::string_view();
        sn[K->score] = py::int_(c.score);
        sn[K->role] = host::to_str(retrieval::node_role(id_text, ext_text));
        sn[K->intent] = intent;
        files.append(sn);
        PyObject* stored = get(n, K->id);
        if (!stored)
            chosen_text.emplace_back("");
        else if (PyUnicode_Check(stored))
            chosen_text.push_back(arena.view(stored));
        else
            chosen_other.add(py::reinterpret_borrow<py::object>(stored));
    }

    // Edge scoring and the choice of edges.
    std::vector<char> touches = stats.touching(edge_text, chosen_text);
    const bool other_ids = py::len(chosen_other) > 0;
    for (Py_ssize_t i = 0; other_ids && i < n_edges; ++i) {
        bool touched = touches[static_cast<std::size_t>(i)];
        if (!touched) {
            for (const py::str* k : {&K->from, &K->to}) {
                PyObject* end = get(edge_items[i], *k);
                if (end && !PyUnicode_Check(end)) {
                    const int in = PySet_Contains(chosen_other.ptr(), end);
                    if (in < 0) throw py::error_already_set();
                    touched = touched || in == 1;
                }
            }
        }
        touches[static_cast<std::size_t>(i)] = touched;
    }
    std::vector<ScoredEdge> scored = rq.score_edges(edge_text, touches);
    bool edges_ordered = false;
    if (!edge_ends_text) {
        py::list keys;
        for (const ScoredEdge& se : scored) {
            PyObject* from = get(edge_items[se.index], K->from);
            PyObject* to = get(edge_items[se.index], K->to);
            keys.append(py::make_tuple(-se.score, or_empty(from), or_empty(to)));
        }
        std::vector<ScoredEdge> sorted;
        for (std::size_t pos : host_order(keys)) sorted.push_back(scored[pos]);
        scored.swap(sorted);
        edges_ordered = true;
    }
    const std::vector<std::size_t> chosen_edges = retrieval::choose_edges(scored, top_edges, edges_ordered);
    py::list edge_out(chosen_edges.size());
    for (std::size_t i = 0; i < chosen_edges.size(); ++i)
        edge_out[i] = py::reinterpret_borrow<py::object>(edge_items[chosen_edges[i]]);

    py::object files_out = files;
    if (chosen.empty()) files_out = head(nodes, top_files);
    py::object edges_final = edge_out;
    if (chosen_edges.empty()) edges_final = head(edges, top_edges);
    return m.attr("RetrieveResult")(py::arg("files") = files_out, py::arg("edges") = edges_final);
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

}  // namespace kestil_host
