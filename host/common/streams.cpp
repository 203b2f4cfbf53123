#include "host/common/streams.hpp"

#include "host/common/convert.hpp"

namespace host {

const char* stream_name(Stream s) { return s == Stream::out ? "stdout" : "stderr"; }

py::object stream(Stream s) { return py::module_::import("sys").attr(stream_name(s)); }

void write(Stream s, std::string_view text) {
    py::object target = stream(s);
    if (!target.is_none()) target.attr("write")(to_str(text));
}

void flush(Stream s) {
    py::object target = stream(s);
    if (!target.is_none()) target.attr("flush")();
}

void flush_all() {
    flush(Stream::out);
    flush(Stream::err);
}

void exit_status(int status) {
    PyErr_SetObject(PyExc_SystemExit, py::int_(status).ptr());
    throw py::error_already_set();
}

}  // namespace host
