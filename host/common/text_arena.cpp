#include "host/common/text_arena.hpp"

#include "host/common/convert.hpp"

namespace host {

std::string_view TextArena::view(PyObject* str) {
    if (PyUnicode_IS_COMPACT_ASCII(str))
        return {static_cast<const char*>(PyUnicode_DATA(str)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(str))};
    Py_ssize_t n = 0;
    if (const char* p = PyUnicode_AsUTF8AndSize(str, &n)) return {p, static_cast<std::size_t>(n)};
    PyErr_Clear();  // lone surrogates: the host keeps no UTF-8 of such a text
    return store_.emplace_back(utf8_lenient(str));
}

std::string_view TextArena::text_form(PyObject* value) {
    if (PyUnicode_Check(value)) return view(value);
    py::object& kept = keep_.emplace_back(steal(PyObject_Str(value)));
    return view(kept.ptr());
}

}  // namespace host
