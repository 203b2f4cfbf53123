// Argument checks shared by the kestil bindings.
#include "host/common/convert.hpp"
#include "host/kestil/bindings.hpp"

namespace kestil_host {

void wrong_kind(py::handle o, const char* func, const char* arg, const char* kind) {
    throw py::type_error(std::string(func) + "() argument '" + arg + "' must be " + kind + ", not " +
                         Py_TYPE(o.ptr())->tp_name);
}

std::string text_arg(py::handle o, const char* func, const char* arg) {
    if (!PyUnicode_Check(o.ptr())) wrong_kind(o, func, arg, "str");
    return host::utf8_lenient(o);
}

std::vector<std::string> text_list_arg(py::handle o, const char* func, const char* arg) {
    if (!PyList_Check(o.ptr())) wrong_kind(o, func, arg, "list");
    std::vector<std::string> out;
    const Py_ssize_t n = PyList_GET_SIZE(o.ptr());
    out.reserve(static_cast<std::size_t>(n));
    for (Py_ssize_t i = 0; i < n; ++i) {
        py::handle x = PyList_GET_ITEM(o.ptr(), i);
        if (!PyUnicode_Check(x.ptr()))
            throw py::type_error(std::string(func) + "() argument '" + arg + "' must hold str items, not " +
                                 Py_TYPE(x.ptr())->tp_name);
        out.push_back(host::utf8_lenient(x));
    }
    return out;
}

std::string text_form(py::handle o) {
    if (PyUnicode_Check(o.ptr())) return host::utf8_lenient(o);
    PyObject* s = PyObject_Str(o.ptr());
    if (!s) throw py::error_already_set();
    return host::utf8_lenient(py::reinterpret_steal<py::object>(s));
}

}  // namespace kestil_host
