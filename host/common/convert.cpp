#include "host/common/convert.hpp"

#include <cmath>
#include <limits>

#include "core/errors.hpp"

namespace host {

std::string utf8(py::handle s) {
    if (!PyUnicode_Check(s.ptr())) throw py::type_error("expected str");
    Py_ssize_t n = 0;
    const char* p = PyUnicode_AsUTF8AndSize(s.ptr(), &n);
    if (!p) throw py::error_already_set();
    return std::string(p, static_cast<std::size_t>(n));
}

std::string utf8_lenient(py::handle s) {
    if (!PyUnicode_Check(s.ptr())) throw py::type_error("expected str");
    Py_ssize_t n = 0;
    const char* p = PyUnicode_AsUTF8AndSize(s.ptr(), &n);
    if (p) return std::string(p, static_cast<std::size_t>(n));
    PyErr_Clear();
    py::object b = py::reinterpret_steal<py::object>(PyUnicode_AsEncodedString(s.ptr(), "utf-8", "surrogatepass"));
    if (!b) throw py::error_already_set();
    return std::string(PyBytes_AS_STRING(b.ptr()), static_cast<std::size_t>(PyBytes_GET_SIZE(b.ptr())));
}

py::str to_str(std::string_view s) {
    PyObject* o = PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogatepass");
    if (!o) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(o);
}

std::string fspath(py::handle p) {
    PyObject* o = PyOS_FSPath(p.ptr());
    if (!o) throw py::error_already_set();
    py::object obj = py::reinterpret_steal<py::object>(o);
    if (PyBytes_Check(o)) {
        // Decoded whole: a NUL inside stays in the text and is refused where the path is
        // used, as in a str path.
        py::object d = py::reinterpret_steal<py::object>(
            PyUnicode_DecodeFSDefaultAndSize(PyBytes_AS_STRING(o), PyBytes_GET_SIZE(o)));
        if (!d) throw py::error_already_set();
        return utf8_lenient(d);
    }
    return utf8_lenient(obj);
}

std::string text_form(py::handle o) {
    if (PyUnicode_Check(o.ptr())) return utf8_lenient(o);
    return utf8_lenient(steal(PyObject_Str(o.ptr())));
}

bool truthy(py::handle o) {
    const int r = PyObject_IsTrue(o.ptr());
    if (r < 0) throw py::error_already_set();
    return r == 1;
}

py::object steal(PyObject* o) {
    if (!o) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(o);
}

namespace {

// Values nest no deeper than the host's recursion limit allows, and never deeper than
// this whatever that limit is: the conversion and the core's copies of a value recurse
// on the machine stack.
constexpr int kMaxNesting = 3000;

// One level of a nested conversion: the host's RecursionError past its limit (or ours).
class Nesting {
public:
    explicit Nesting(const char* what) {
        if (++depth_ > kMaxNesting) {
            --depth_;
            PyErr_Format(PyExc_RecursionError, "maximum recursion depth exceeded%s", what);
            throw py::error_already_set();
        }
        if (Py_EnterRecursiveCall(what) != 0) {
            --depth_;
            throw py::error_already_set();
        }
    }
    ~Nesting() {
        Py_LeaveRecursiveCall();
        --depth_;
    }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    // Conversions run with the interpreter's lock held, one per thread at a time.
    static thread_local int depth_;
};

thread_local int Nesting::depth_ = 0;

}  // namespace

py::object to_py(const core::Json& v) {
    using T = core::Json::value_t;
    switch (v.type()) {
        case T::null:
            return py::none();
        case T::boolean:
            return py::bool_(v.get<bool>());
        case T::number_integer:
            return py::int_(v.get<std::int64_t>());
        case T::number_unsigned:
            return py::int_(v.get<std::uint64_t>());
        case T::number_float:
            return py::float_(v.get<double>());
        case T::string:
            return to_str(v.get_ref<const std::string&>());
        case T::binary:
            if (core::is_big_int(v)) {
                PyObject* n = PyLong_FromString(core::big_int_text(v).c_str(), nullptr, 10);
                if (!n) throw py::error_already_set();
                return py::reinterpret_steal<py::object>(n);
            }
            throw py::type_error("value cannot be converted");
        case T::array: {
            Nesting level(" while converting a JSON array");
            py::list out(v.size());
            std::size_t i = 0;
            for (const auto& x : v) out[i++] = to_py(x);
            return out;
        }
        case T::object: {
            Nesting level(" while converting a JSON object");
            py::dict out;
            for (const auto& [k, x] : v.items()) out[to_str(k)] = to_py(x);
            return out;
        }
        default:
            throw py::type_error("value cannot be converted");
    }
}

core::Json from_py(py::handle o) {
    if (o.is_none()) return nullptr;
    if (PyBool_Check(o.ptr())) return o.ptr() == Py_True;
    if (PyLong_Check(o.ptr())) {
        int overflow = 0;
        long long x = PyLong_AsLongLongAndOverflow(o.ptr(), &overflow);
        if (overflow == 0) {
            if (x == -1 && PyErr_Occurred()) throw py::error_already_set();
            return static_cast<std::int64_t>(x);
        }
        if (overflow > 0) {
            unsigned long long u = PyLong_AsUnsignedLongLong(o.ptr());
            if (!PyErr_Occurred()) return static_cast<std::uint64_t>(u);
            PyErr_Clear();
        }
        // Beyond 64 bits the value stays exact, as the host's JSON text keeps it.
        return core::big_int(utf8(py::str(o)));
    }
    if (PyFloat_Check(o.ptr())) return PyFloat_AS_DOUBLE(o.ptr());
    if (PyUnicode_Check(o.ptr())) return utf8_lenient(o);
    if (PyDict_Check(o.ptr())) {
        Nesting level(" while converting a dict");
        core::Json out = core::Json::object();
        for (auto [k, x] : py::reinterpret_borrow<py::dict>(o)) {
            if (!PyUnicode_Check(k.ptr())) throw py::type_error("keys must be str");
            out[utf8_lenient(k)] = from_py(x);
        }
        return out;
    }
    if (PyList_Check(o.ptr()) || PyTuple_Check(o.ptr())) {
        Nesting level(" while converting a list");
        core::Json out = core::Json::array();
        for (auto x : py::reinterpret_borrow<py::sequence>(o)) out.push_back(from_py(x));
        return out;
    }
    throw py::type_error(std::string("Object of type ") + Py_TYPE(o.ptr())->tp_name + " is not JSON serializable");
}

py::list to_list(const std::vector<std::string>& v) {
    py::list out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) out[i] = to_str(v[i]);
    return out;
}

std::vector<std::string> str_list(py::handle seq) {
    std::vector<std::string> out;
    for (auto x : py::reinterpret_borrow<py::iterable>(seq)) out.push_back(utf8(x));
    return out;
}

void register_errors() {
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const core::OsError& e) {
            py::object err =
                py::module_::import("builtins")
                    .attr("OSError")(e.err, py::module_::import("os").attr("strerror")(e.err), to_str(e.filename));
            // OSError(errno, ...) builds the errno's subclass (FileNotFoundError, ...): raise it
            // as its own type, or a caller's error_already_set meets a type mismatch.
            PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(err.ptr())), err.ptr());
        } catch (const core::DecodeError& e) {
            // Decoding the same bytes here raises the host's own UnicodeDecodeError.
            try {
                py::bytes(e.bytes).attr("decode")("utf-8");
                PyErr_SetString(PyExc_UnicodeError, e.what());
            } catch (py::error_already_set& raised) {
                raised.restore();
            }
        } catch (const core::KeyError& e) {
            PyErr_SetObject(PyExc_KeyError, to_str(e.what()).ptr());
        } catch (const core::TypeError& e) {
            PyErr_SetString(PyExc_TypeError, e.what());
        } catch (const core::JsonError& e) {
            py::module_ json = py::module_::import("json");
            // JSONDecodeError(msg, doc, pos) formats its own message; hand it the
            // position with a stand-in document of the right line structure.
            py::object cls = json.attr("JSONDecodeError");
            py::object err = cls(to_str(e.msg), py::str(""), 0);
            err.attr("pos") = e.pos;
            err.attr("lineno") = e.lineno;
            err.attr("colno") = e.colno;
            err.attr("args") = py::make_tuple(to_str(e.what()));
            PyErr_SetObject(cls.ptr(), err.ptr());
        } catch (const core::PatternError& e) {
            PyErr_SetString(PyExc_RuntimeError, e.what());
        }
    });
}

}  // namespace host
