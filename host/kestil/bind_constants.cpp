// The data locations, fixed once while the module loads, with the host's own path
// rules (pathlib), and the two record classes.
#include "core/names.hpp"
#include "host/common/convert.hpp"
#include "host/common/module_path.hpp"
#include "host/kestil/bindings.hpp"

namespace host::kestil_bind {

namespace {

// The file this extension was loaded from: __file__ is not set yet while it loads.
py::object module_file() {
    py::object file = host::module_file_of(reinterpret_cast<const void*>(&module_file));
    if (file.is_none()) throw py::import_error("cannot locate the kestil module file");
    return file;
}

}  // namespace

void bind_constants(py::module_& m) {
    py::object path_cls = py::module_::import("pathlib").attr("Path");
    py::object os_environ = py::module_::import("os").attr("environ");
    py::object base = path_cls(module_file()).attr("resolve")().attr("parent");
    m.attr("BASE_DIR") = base;
    py::object data = base.attr("__truediv__")(core::names::ENGINE_DATA_DIR);
    m.attr("DATA_DIR") = data;
    m.attr("GRAPH_JSON") = data.attr("__truediv__")(core::names::GRAPH_FILE);
    m.attr("ACTION_LOG") = data.attr("__truediv__")(core::names::ACTION_LOG_FILE);
    m.attr("TOKEN_LOG") = data.attr("__truediv__")(core::names::TOKEN_LOG_FILE);
    // An empty KESTIL_CAPABILITY_INDEX would name the current directory, which no read
    // can take as the index; it counts as unset.
    py::object cap_env = os_environ.attr("get")("KESTIL_CAPABILITY_INDEX");
    py::object cap_text = (!cap_env.is_none() && py::len(cap_env) > 0)
                              ? cap_env
                              : py::str(data.attr("__truediv__")(core::names::CAPABILITY_INDEX_FILE));
    m.attr("CAPABILITY_INDEX") = path_cls(cap_text).attr("resolve")();
    py::object root_env = os_environ.attr("get")("NIMBREL_PROJECT_ROOT");
    py::object root_text = root_env.is_none() ? py::module_::import("os").attr("getcwd")() : root_env;
    m.attr("DEFAULT_ROOT") = path_cls(root_text).attr("resolve")();
}

void bind_records(py::module_& m) {
    py::object make = py::module_::import("dataclasses").attr("make_dataclass");
    py::object name = m.attr("__name__");
    py::object rr = make("RetrieveResult", py::make_tuple("files", "edges"));
    rr.attr("__module__") = name;
    m.attr("RetrieveResult") = rr;
    py::object ce = make("CapabilityEntry", py::make_tuple("name", "keywords", "files"));
    ce.attr("__module__") = name;
    m.attr("CapabilityEntry") = ce;
}

}  // namespace host::kestil_bind
