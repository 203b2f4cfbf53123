// Conversions of host values for the packer: summary values, integer, text and path
// arguments, and text views.
#include <limits>

#include "host/bundrel/bindings.hpp"
#include "host/common/convert.hpp"

namespace host::bundrel_bind {

py::object steal(PyObject* o) {
    if (!o) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(o);
}

namespace {

std::int64_t saturated(py::handle n) {
    int overflow = 0;
    const long long x = PyLong_AsLongLongAndOverflow(n.ptr(), &overflow);
    if (overflow > 0) return std::numeric_limits<std::int64_t>::max();
    if (overflow < 0) return std::numeric_limits<std::int64_t>::min();
    if (x == -1 && PyErr_Occurred()) throw py::error_already_set();
    return x;
}

// Guards the host's recursion limit while a nested value is converted.
struct RecursionGuard {
    RecursionGuard() {
        if (Py_EnterRecursiveCall(" while converting a summary value")) throw py::error_already_set();
    }
    ~RecursionGuard() { Py_LeaveRecursiveCall(); }
    RecursionGuard(const RecursionGuard&) = delete;
    RecursionGuard& operator=(const RecursionGuard&) = delete;
};

}  // namespace

std::string text_of(py::handle o) {
    if (PyUnicode_Check(o.ptr())) return utf8_lenient(o);
    return utf8_lenient(steal(PyObject_Str(o.ptr())));
}

core::Json summary_value(py::handle o) {
    PyObject* p = o.ptr();
    if (p == Py_None) return nullptr;
    if (PyBool_Check(p)) return p == Py_True;
    if (PyLong_Check(p)) {
        int overflow = 0;
        const long long x = PyLong_AsLongLongAndOverflow(p, &overflow);
        if (overflow == 0) {
            if (x == -1 && PyErr_Occurred()) throw py::error_already_set();
            return static_cast<std::int64_t>(x);
        }
        return core::big_int(text_of(o));
    }
    if (PyFloat_Check(p)) return PyFloat_AS_DOUBLE(p);
    if (PyUnicode_Check(p)) return utf8_lenient(o);
    if (PyDict_Check(p)) {
        RecursionGuard guard;
        core::Json out = core::Json::object();
        PyObject *k = nullptr, *v = nullptr;
        Py_ssize_t pos = 0;
        while (PyDict_Next(p, &pos, &k, &v)) out[text_of(k)] = summary_value(v);
        return out;
    }
    if (PyList_Check(p)) {
        RecursionGuard guard;
        core::Json out = core::Json::array();
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(p); ++i) out.push_back(summary_value(PyList_GET_ITEM(p, i)));
        return out;
    }
    return text_of(o);
}

void raise_type(const char* fn, const char* arg, const char* expected, py::handle got) {
    throw py::type_error(std::string(fn) + "() argument '" + arg + "' must be " + expected + ", not " +
                         Py_TYPE(got.ptr())->tp_name);
}

std::int64_t int_arg(py::handle v, const char* fn, const char* arg) {
    if (PyLong_Check(v.ptr())) return saturated(v);
    const bool real =
        PyFloat_Check(v.ptr()) || PyObject_IsInstance(v.ptr(), py::module_::import("numbers").attr("Real").ptr()) == 1;
    if (PyErr_Occurred()) throw py::error_already_set();
    if (!real) raise_type(fn, arg, "int", v);
    return saturated(steal(PyNumber_Long(v.ptr())));
}

std::string str_arg(py::handle v, const char* fn, const char* arg) {
    if (!PyUnicode_Check(v.ptr())) raise_type(fn, arg, "str", v);
    return utf8_lenient(v);
}

std::string path_arg(py::handle v, const char* fn, const char* arg) {
    if (!PyUnicode_Check(v.ptr()) && !PyBytes_Check(v.ptr()) && !PyObject_HasAttrString(v.ptr(), "__fspath__"))
        raise_type(fn, arg, "str or os.PathLike", v);
    return fspath(v);
}

bool is_mapping(py::handle o) {
    if (PyDict_Check(o.ptr())) return true;
    const int r = PyObject_IsInstance(o.ptr(), py::module_::import("collections.abc").attr("Mapping").ptr());
    if (r < 0) throw py::error_already_set();
    return r == 1;
}

py::object mapping_get(py::handle map, py::handle key, py::handle fallback) {
    if (PyDict_Check(map.ptr())) {
        PyObject* v = PyDict_GetItemWithError(map.ptr(), key.ptr());
        if (v) return py::reinterpret_borrow<py::object>(v);
        if (PyErr_Occurred()) throw py::error_already_set();
        return py::reinterpret_borrow<py::object>(fallback);
    }
    return map.attr("get")(key, fallback);
}

std::string_view TextArena::view(py::handle o) {
    if (PyUnicode_Check(o.ptr())) {
        Py_ssize_t n = 0;
        if (const char* p = PyUnicode_AsUTF8AndSize(o.ptr(), &n)) return {p, static_cast<std::size_t>(n)};
        PyErr_Clear();  // lone surrogates: keep them in a copy of our own
    }
    return owned_.emplace_back(text_of(o));
}

}  // namespace host::bundrel_bind
