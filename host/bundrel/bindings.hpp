#pragma once
// The pieces of the bundrel module, each bound in its own file, and the conversions
// they share.
#include <pybind11/pybind11.h>

#include "core/json.hpp"
#include "host/common/args.hpp"
#include "host/common/convert.hpp"
#include "host/common/text_arena.hpp"

namespace host::bundrel_bind {

namespace py = pybind11;

void bind_siblings(py::module_& m);   // _kestil_load_graph, _kestil_retrieve, _classify_intent
void bind_summaries(py::module_& m);  // load_summaries, expand_summary, condense_summary
void bind_excerpts(py::module_& m);   // estimate_tokens, read_symbol_content
void bind_pack(py::module_& m);       // pack, _file_id, _basename
void bind_command(py::module_& m);    // pack_for_query, main

// A host value as the packer's JSON value: maps, lists, texts, numbers (integers beyond
// 64 bits as core::big_int), booleans and None by kind; anything JSON cannot hold
// (tuples, sets, other objects) as its text form. Deep nesting raises the host's
// RecursionError.
core::Json summary_value(py::handle o);

// Whether `o` is a dict or another mapping; `get` reads it the host's way.
bool is_mapping(py::handle o);
py::object mapping_get(py::handle map, py::handle key, py::handle fallback);

}  // namespace host::bundrel_bind
