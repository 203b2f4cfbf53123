#include "host/common/args.hpp"

#include <cstring>
#include <limits>
#include <vector>

#include "core/fs.hpp"
#include "host/common/convert.hpp"
#include "host/common/streams.hpp"

namespace host {

namespace {

std::int64_t saturated(py::handle n) {
    int overflow = 0;
    const long long x = PyLong_AsLongLongAndOverflow(n.ptr(), &overflow);
    if (overflow > 0) return std::numeric_limits<std::int64_t>::max();
    if (overflow < 0) return std::numeric_limits<std::int64_t>::min();
    if (x == -1 && PyErr_Occurred()) throw py::error_already_set();
    return x;
}

}  // namespace

void kind_error(std::string_view subject, std::string_view kind, py::handle got) {
    throw py::type_error(std::string(subject) + " must be " + std::string(kind) + ", not " +
                         Py_TYPE(got.ptr())->tp_name);
}

void item_kind_error(std::string_view subject, std::string_view kind, py::handle item) {
    throw py::type_error(std::string(subject) + " must hold " + std::string(kind) + " items, not " +
                         Py_TYPE(item.ptr())->tp_name);
}

std::string argument(std::string_view func, std::string_view arg) {
    std::string out(func);
    out += "() argument '";
    out += arg;
    out += '\'';
    return out;
}

void wrong_kind(py::handle got, const char* func, const char* arg, const char* kind) {
    kind_error(argument(func, arg), kind, got);
}

std::string text_arg(py::handle o, const char* func, const char* arg) {
    if (!PyUnicode_Check(o.ptr())) wrong_kind(o, func, arg, "str");
    return utf8_lenient(o);
}

std::vector<std::string> text_list_arg(py::handle o, const char* func, const char* arg) {
    if (!PyList_Check(o.ptr())) wrong_kind(o, func, arg, "list");
    std::vector<std::string> out;
    const Py_ssize_t n = PyList_GET_SIZE(o.ptr());
    out.reserve(static_cast<std::size_t>(n));
    for (Py_ssize_t i = 0; i < n; ++i) {
        py::handle x = PyList_GET_ITEM(o.ptr(), i);
        if (!PyUnicode_Check(x.ptr())) item_kind_error(argument(func, arg), "str", x);
        out.push_back(utf8_lenient(x));
    }
    return out;
}

std::int64_t int_arg(py::handle o, const char* func, const char* arg) {
    if (PyLong_Check(o.ptr())) return saturated(o);
    const bool real =
        PyFloat_Check(o.ptr()) || PyObject_IsInstance(o.ptr(), py::module_::import("numbers").attr("Real").ptr()) == 1;
    if (PyErr_Occurred()) throw py::error_already_set();
    if (!real) wrong_kind(o, func, arg, "int");
    return saturated(steal(PyNumber_Long(o.ptr())));
}

std::string path_arg(py::handle o, const char* func, const char* arg) {
    if (!PyUnicode_Check(o.ptr()) && !PyBytes_Check(o.ptr()) && !PyObject_HasAttrString(o.ptr(), "__fspath__"))
        wrong_kind(o, func, arg, "str or os.PathLike");
    return fspath(o);
}

bool scan_root_ok(const std::string& root) {
    std::vector<core::fs::DirEntry> entries;
    core::fs::Status self;
    const int err = core::fs::current().list_dir(root, entries, self);
    if (err == 0) return true;
    write_stderr("Error: cannot scan " + root + ": " + std::strerror(err) + "\n");
    return false;
}

}  // namespace host
