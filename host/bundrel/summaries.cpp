// The summary store and the two renderings of one summary.
#include "packing/summaries.hpp"
#include "host/bundrel/bindings.hpp"
#include "host/common/convert.hpp"

namespace host::bundrel_bind {

namespace {

py::object load_summaries(py::object project_root) {
    const std::string root = path_arg(project_root, "load_summaries", "project_root");
    packing::StoreRead store;
    {
        py::gil_scoped_release unlocked;
        store = packing::load_summaries(root);
    }
    if (store.kind == packing::StoreRead::Kind::NotUtf8) {
        // The host's own decoder states the error (position, byte, reason).
        py::bytes(store.bytes).attr("decode")("utf-8-sig");
        return py::dict();
    }
    // A store the host cannot hold (an integer longer than its conversion limit) is a
    // malformed store, like one it cannot parse.
    try {
        return to_py(store.value);
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_ValueError)) throw;
        return py::dict();
    }
}

}  // namespace

void bind_summaries(py::module_& m) {
    m.def("load_summaries", &load_summaries, py::arg("project_root"),
          "The project's structured summaries by file id; an empty map when the store is missing, unreadable "
          "or not a JSON object.");
    m.def(
        "expand_summary", [](py::object summary) { return to_str(packing::expand_summary(summary_value(summary))); },
        py::arg("summary"), "One summary as a multi-line block.");
    m.def(
        "condense_summary",
        [](py::handle summary) { return to_str(packing::condense_summary(summary_value(summary))); },
        py::arg("summary"), "One summary as a single line of at most 300 characters.");
}

}  // namespace host::bundrel_bind
