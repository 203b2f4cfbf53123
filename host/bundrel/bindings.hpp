#pragma once
// The pieces of the bundrel module, each bound in its own file, and the conversions
// they share.
#include <pybind11/pybind11.h>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "core/json.hpp"

namespace host::bundrel_bind {

namespace py = pybind11;

void bind_siblings(py::module_& m);   // _kestil_load_graph, _kestil_retrieve, _classify_intent
void bind_summaries(py::module_& m);  // load_summaries, expand_summary, condense_summary
void bind_excerpts(py::module_& m);   // estimate_tokens, read_symbol_content
void bind_pack(py::module_& m);       // pack, _file_id, _basename
void bind_command(py::module_& m);    // pack_for_query, main

// A host value as the packer's JSON value: maps, lists, texts, numbers, booleans and
// None by kind; anything JSON cannot hold (tuples, sets, integers beyond 64 bits,
// other objects) as its text form. Deep nesting raises the host's RecursionError.
core::Json summary_value(py::handle o);

// A new reference from the C API as an object; null raises the pending host error.
py::object steal(PyObject* o);

// str(o) as UTF-8.
std::string text_of(py::handle o);

// An integer argument: an int (or bool) as is, any other real number truncated the
// host's way, saturated to 64 bits; anything else a TypeError naming the argument.
std::int64_t int_arg(py::handle v, const char* fn, const char* arg);

// A text argument; anything else a TypeError naming the argument.
std::string str_arg(py::handle v, const char* fn, const char* arg);

// A path argument (str or os.PathLike); anything else a TypeError naming the argument.
std::string path_arg(py::handle v, const char* fn, const char* arg);

// Whether `o` is a dict or another mapping; `get` reads it the host's way.
bool is_mapping(py::handle o);
py::object mapping_get(py::handle map, py::handle key, py::handle fallback);

[[noreturn]] void raise_type(const char* fn, const char* arg, const char* expected, py::handle got);

// Texts that a view points into when they are not a host str's own UTF-8.
class TextArena {
public:
    // A view of `o`'s text when it is a str (its cached UTF-8), else of str(o).
    std::string_view view(py::handle o);

private:
    std::deque<std::string> owned_;
};

}  // namespace host::bundrel_bind
