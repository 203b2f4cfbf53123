#pragma once
// Conversion between the host's objects and the C++ core's values, and the mapping of
// core errors onto the host's exception types. Shared by every extension module.
#include <pybind11/pybind11.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"

namespace host {

namespace py = pybind11;

// A host str as UTF-8; a lone surrogate raises the host's UnicodeEncodeError.
std::string utf8(py::handle s);
// A host str as UTF-8 with lone surrogates kept as 3-byte sequences (JSON values,
// file names decoded with surrogate escapes).
std::string utf8_lenient(py::handle s);
// UTF-8 (lone surrogates allowed) as a host str.
py::str to_str(std::string_view s);
// os.fspath(p) as text: accepts str and path-like objects.
std::string fspath(py::handle p);
// str(o) as UTF-8 (lone surrogates kept): the host's text form of any value; a str is
// taken as it is.
std::string text_form(py::handle o);
// bool(o), the host's truth test; an error it raises propagates.
bool truthy(py::handle o);
// A new reference from the C API as an object; null raises the pending host error.
py::object steal(PyObject* o);
// The dict's value at `key` (a borrowed reference), or null when absent; an error of the
// key's hash or comparison propagates. Inline: the readers of graph maps call it per field.
inline PyObject* dict_item(PyObject* dict, PyObject* key) {
    PyObject* v = PyDict_GetItemWithError(dict, key);
    if (!v && PyErr_Occurred()) throw py::error_already_set();
    return v;
}

py::object to_py(const core::Json& v);
core::Json from_py(py::handle o);

py::list to_list(const std::vector<std::string>& v);
std::vector<std::string> str_list(py::handle seq);

// Registers the translation of core::OsError, core::DecodeError (UnicodeDecodeError), core::KeyError,
// core::TypeError, core::JsonError and core::PatternError into OSError, KeyError, TypeError,
// json.JSONDecodeError and re.error-like RuntimeError. Call once from each module's init.
void register_errors();

}  // namespace host
