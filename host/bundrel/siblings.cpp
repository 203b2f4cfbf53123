// The three functions of the retrieval engine the packer binds at load, the way
// `from tarvelle.kestil import retrieve, load_graph, classify_intent` binds them: a
// missing module or name fails the load with the host's ImportError.
#include "host/bundrel/bindings.hpp"

namespace host::bundrel_bind {

namespace {

constexpr const char* kSibling = "tarvelle.kestil";

// The ImportError of `from <module> import <name>` for a name the module lacks.
[[noreturn]] void cannot_import(const py::module_& mod, const char* name) {
    py::object file = py::getattr(mod, "__file__", py::none());
    const std::string where = file.is_none() ? "unknown location" : py::str(file).cast<std::string>();
    const std::string msg = "cannot import name " + py::repr(py::str(name)).cast<std::string>() + " from " +
                            py::repr(py::str(kSibling)).cast<std::string>() + " (" + where + ")";
    py::object err = py::module_::import("builtins")
                         .attr("ImportError")(msg, py::arg("name") = kSibling, py::arg("path") = file);
    PyErr_SetObject(PyExc_ImportError, err.ptr());
    throw py::error_already_set();
}

}  // namespace

void bind_siblings(py::module_& m) {
    const py::module_ kestil = py::module_::import(kSibling);
    const std::pair<const char*, const char*> names[] = {
        {"retrieve", "_kestil_retrieve"}, {"load_graph", "_kestil_load_graph"}, {"classify_intent", "_classify_intent"}};
    for (const auto& [name, bound] : names) {
        if (!py::hasattr(kestil, name)) cannot_import(kestil, name);
        m.attr(bound) = kestil.attr(name);
    }
}

}  // namespace host::bundrel_bind
