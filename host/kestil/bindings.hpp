#pragma once
// The pieces of the kestil module, each bound in its own file, and the readers of
// host values they share. Reading a node or an edge is one lookup per
// field read; texts are seen in place unless they need converting.
#include <pybind11/pybind11.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/common/args.hpp"
#include "host/common/convert.hpp"
#include "host/common/text_arena.hpp"
#include "retrieval/capability_index.hpp"
#include "retrieval/scoring.hpp"

namespace host::kestil_bind {

namespace py = pybind11;

void bind_constants(py::module_& m);   // BASE_DIR ... DEFAULT_ROOT
void bind_graph_file(py::module_& m);  // ensure_data_dir, load_graph
void bind_records(py::module_& m);     // RetrieveResult, CapabilityEntry
void bind_query(py::module_& m);       // extract_route ... query_scoped_to_feature
void bind_scoring(py::module_& m);     // score_node
void bind_capability(py::module_& m);  // load_capability_index, capability_file_boosts
void bind_retrieve(py::module_& m);    // retrieve

// The kit's argument checks, text views and text form, as the pieces use them.
using host::text_arg;
using host::text_form;
using host::text_list_arg;
using host::TextArena;
using host::wrong_kind;

// Capability entries (objects with list attributes keywords and files) as views, the
// boost map as a host dict, and parsed entries as CapabilityEntry records of `m`.
std::vector<retrieval::CapabilityView> capability_views(py::handle caps, TextArena& arena);
py::dict boosts_to_py(const retrieval::Boosts& boosts);
py::list entries_to_py(py::module_ m, const std::vector<retrieval::CapabilityEntry>& entries);

// A node map as scoring reads it, with score_node's type errors. Its keywords are
// appended to `keywords`; out.keywords is left empty for the caller to point there.
// When `refs` is given it receives the node's stored "id" and "kind" (null when absent).
struct NodeRefs {
    PyObject* id = nullptr;
    PyObject* kind = nullptr;
};
// Key texts for dict lookups. A graph read from JSON shares one key object per key
// text across all its maps; adopting those objects lets every lookup succeed on the
// identity test, without comparing texts.
class DictKeys {
public:
    DictKeys(std::initializer_list<const char*> names);
    DictKeys adopted_from(PyObject* sample) const;  // the sample map's own equal keys
    PyObject* operator[](std::size_t i) const { return keys_[i].ptr(); }

private:
    std::vector<py::object> keys_;
};
// "id", "ext", "summary", "keywords", "kind", "confidence".
const DictKeys& node_keys();
// The values (null when absent) of the first values.size() keys of `keys`, as the
// host's lookups give them.
void dict_fields(PyObject* dict, const DictKeys& keys, std::span<PyObject*> values);
void read_node(PyObject* node, TextArena& arena, retrieval::NodeText& out, std::vector<std::string_view>& keywords,
               NodeRefs* refs = nullptr, const DictKeys& keys = node_keys());

}  // namespace host::kestil_bind
