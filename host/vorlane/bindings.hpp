#pragma once
// The pieces of the vorlane module, each bound in its own file; their records become
// host lists through host/common/records.hpp.
#include <pybind11/pybind11.h>

#include "graph/kit/frame.hpp"
#include "host/common/records.hpp"

namespace host::vorlane_bind {

namespace py = pybind11;

void bind_records(py::module_& m);           // Node, rel, _body_hash, dedupe_edges
void bind_walk_scan(py::module_& m);         // constants, walk_files, should_scan, scan, main, ...
void bind_relations_frame(py::module_& m);   // parse_relations, frame routines, ts/py extractors
void bind_extractors(py::module_& m);        // rs, rb, java, cs, php, c/c++ extractors
void bind_summary_keywords(py::module_& m);  // _make_summary, extract_keywords

}  // namespace host::vorlane_bind
