// Conversions of host values for the packer: summary values and mappings.
#include "host/common/convert.hpp"
#include "host/bundrel/bindings.hpp"

namespace host::bundrel_bind {

namespace {

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
        return core::big_int(text_form(o));
    }
    if (PyFloat_Check(p)) return PyFloat_AS_DOUBLE(p);
    if (PyUnicode_Check(p)) return utf8_lenient(o);
    if (PyDict_Check(p)) {
        RecursionGuard guard;
        core::Json out = core::Json::object();
        PyObject *k = nullptr, *v = nullptr;
        Py_ssize_t pos = 0;
        while (PyDict_Next(p, &pos, &k, &v)) out[text_form(k)] = summary_value(v);
        return out;
    }
    if (PyList_Check(p)) {
        RecursionGuard guard;
        core::Json out = core::Json::array();
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(p); ++i) out.push_back(summary_value(PyList_GET_ITEM(p, i)));
        return out;
    }
    return text_form(o);
}

bool is_mapping(py::handle o) {
    if (PyDict_Check(o.ptr())) return true;
    const int r = PyObject_IsInstance(o.ptr(), py::module_::import("collections.abc").attr("Mapping").ptr());
    if (r < 0) throw py::error_already_set();
    return r == 1;
}

py::object mapping_get(py::handle map, py::handle key, py::handle fallback) {
    if (PyDict_Check(map.ptr())) {
        PyObject* v = dict_item(map.ptr(), key.ptr());
        return py::reinterpret_borrow<py::object>(v ? v : fallback.ptr());
    }
    return map.attr("get")(key, fallback);
}

}  // namespace host::bundrel_bind
