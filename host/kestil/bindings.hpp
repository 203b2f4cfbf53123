#pragma once
// The pieces of the kestil module, each bound in its own file, and the argument checks
// they share.
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace kestil_host {

namespace py = pybind11;

void bind_constants(py::module_& m);    // BASE_DIR ... DEFAULT_ROOT
void bind_graph_file(py::module_& m);   // ensure_data_dir, load_graph
void bind_records(py::module_& m);     // RetrieveResult, CapabilityEntry
void bind_query(py::module_& m);       // extract_route ... query_scoped_to_feature
void bind_scoring(py::module_& m);     // score_node
void bind_capability(py::module_& m);  // load_capability_index, capability_file_boosts
void bind_retrieve(py::module_& m);    // retrieve

// The text of a str argument (lone surrogates kept); a TypeError naming the argument
// for anything else: "<func>() argument '<arg>' must be str, not <type>".
std::string text_arg(py::handle o, const char* func, const char* arg);
// A TypeError naming the argument and the kind it must be.
[[noreturn]] void wrong_kind(py::handle o, const char* func, const char* arg, const char* kind);
// The texts of a list argument of texts.
std::vector<std::string> text_list_arg(py::handle o, const char* func, const char* arg);
// str(value): the host's text form of any value.
std::string text_form(py::handle o);

}  // namespace kestil_host
